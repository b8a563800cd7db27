#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/TMainForm.h"
#include "audio/bass.h"
#include "core/CommandLine.h"
#include "core/TerminationSignals.h"

namespace {

constexpr auto kUsage =
    "Usage: tarnwick [FILE]\n"
    "       tarnwick --help | --version\n"
    "Opens the sound editor's window, with FILE (.wav, .mp3 or .wma) when it names one.\n"
    "All arguments together name the file, joined with single blanks, so a name with blanks\n"
    "needs no quotes. --help and --version are options only as the only argument: a file\n"
    "named --help opens as ./--help.\n"
    "  --help      print this help and exit\n"
    "  --version   print the version and exit\n"
    "tarnwick-batch runs the same edits without a window.\n";

// Prints text for --help or --version; 0 when all of it reached standard output.
int print(const std::string& text)
{
    const bool written = std::fputs(text.c_str(), stdout) >= 0;
    return written && std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    // Before the application object, which needs a display.
    switch (tw::startRequest(std::vector<std::string>(argv, argv + argc))) {
    case tw::StartRequest::Help:
        return print(kUsage);
    case tw::StartRequest::Version:
        return print(std::string("tarnwick ") + TARNWICK_VERSION + "\n");
    case tw::StartRequest::Window:
        break;
    }
    tw::TerminationSignals::holdBack();
    tw::Application app(argc, argv);
    app.setApplicationName("Tarnwick");
    app.setApplicationVersion(TARNWICK_VERSION);
    // The desktop entry's name, which Wayland compositors match windows with.
    app.setDesktopFileName("org.example.tarnwick");
    tw::TerminationSignals quitOnSignal(&app);
    try {
        // The arguments' bytes as the file system gives them (the application
        // object has taken out its own options): a name that is no UTF-8
        // still names its file.
        tw::TMainFormOptions options;
        options.arguments = std::vector<std::string>(argv, argv + argc);
        // The main window creates its six dialogs after itself.
        tw::TMainForm mainForm(std::move(options));
        QObject::connect(&quitOnSignal, &tw::TerminationSignals::terminationRequested, &mainForm,
                         &tw::TMainForm::abandonLongSteps);
        app.showException = [&mainForm](const std::string& message) {
            mainForm.show({message, {}, tw::MsgIcon::Error, tw::MsgButtons::Ok});
        };
        // A signal during start-up (a message box, the open of a file named on
        // the command line) ends the program here.
        if (!quitOnSignal.wasReceived())
            mainForm.show();
        if (!quitOnSignal.wasReceived())
            app.exec();
        // A logout or shutdown with unsaved changes: the private folder stays
        // for the next start, and so does everything in it.
        mainForm.endRunOnLogout(quitOnSignal);
    } catch (const std::exception& e) {
        // Only a window that could not be built ends up here.
        BASS_Free();
        app.showException = nullptr;
        app.report(e.what());
    } catch (...) {
        BASS_Free();
        app.showException = nullptr;
        app.report({});
    }
    return 0;
}
