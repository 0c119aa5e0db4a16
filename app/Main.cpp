// Program entry of Setup.exe.
#include "app/App.h"
#include "platform/Platform.h"

int main() {
    const auto platform = plat::createPlatform();
    const plat::PlatformInForce inForce(*platform);
    return app::runProgram();
}
