#include <exception>

#include "app/Application.h"
#include "audio/bass.h"
#include "app/TMainForm.h"
#include "core/TerminationSignals.h"

int main(int argc, char* argv[])
{
    tw::TerminationSignals::holdBack();
    tw::Application app(argc, argv);
    app.setApplicationName("Tarnwick");
    tw::TerminationSignals quitOnSignal(&app);
    try {
        // The main window creates its six dialogs after itself.
        tw::TMainForm mainForm;
        app.showException = [&mainForm](const std::string& message) {
            mainForm.show({message, {}, tw::MsgIcon::Error, tw::MsgButtons::Ok});
        };
        mainForm.show();
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
