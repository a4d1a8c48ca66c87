#include "shell/varo.h"

int main(int argc, char** argv)
{
    CVaroApp app(argc, argv);
    if (!app.InitInstance())
        return app.ExitCode();
    const int code = app.exec();
    app.ExitInstance();
    return code;
}
