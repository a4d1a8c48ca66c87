#include "shell/varo.h"

int main(int argc, char** argv)
{
    int code = 0;
    int quitSignal = 0;
    {
        CVaroApp app(argc, argv);
        code = app.InitInstance() ? app.Run() : app.ExitCode();
        app.ExitInstance();
        quitSignal = app.QuitSignal();
    }
    // Ended by a signal: everything is cleaned up, and the process now ends by that signal.
    CQuitSignals::EndBySignal(quitSignal);
    return code;
}
