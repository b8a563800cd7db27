#include <exception>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/TMainForm.h"
#include "audio/bass.h"
#include "core/TerminationSignals.h"

int main(int argc, char* argv[])
{
    tw::TerminationSignals::holdBack();
    tw::Application app(argc, argv);
    app.setApplicationName("Tarnwick");
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
