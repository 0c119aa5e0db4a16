// Program entry of Setup.exe.
#include "platform/Platform.h"
#include "shell/Program.h"

int main() {
    auto platform = plat::createPlatform();
    plat::setPlatform(platform.get());
    int code = shell::runProgram();
    plat::setPlatform(nullptr);
    return code;
}
