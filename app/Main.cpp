// Program entry of Setup.exe.
#include "app/App.h"
#include "platform/Platform.h"

int main() {
    auto platform = plat::createPlatform();
    plat::setPlatform(platform.get());
    int code = app::runProgram();
    plat::setPlatform(nullptr);
    return code;
}
