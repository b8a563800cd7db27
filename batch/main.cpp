// tarnwick-batch: the editor's open, edits and save from the command line.
#include <QCoreApplication>

#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include "batch/BatchArgs.h"
#include "batch/BatchRun.h"
#include "core/TerminationSignals.h"

int main(int argc, char* argv[])
{
    // Before any thread starts: SIGINT, SIGTERM and SIGHUP then stop the step
    // under way instead of leaving its files behind.
    tw::TerminationSignals::holdBack();
    QCoreApplication app(argc, argv);
    // The arguments' bytes as given: names that are no UTF-8 still name their files.
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = tw::batch::parseArguments(args);
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::fprintf(stderr, "tarnwick-batch: %s\n%s", error->c_str(), tw::batch::usage().c_str());
        return 2;
    }
    const auto& arguments = std::get<tw::batch::Arguments>(parsed);
    if (arguments.help) {
        std::fputs(tw::batch::usage().c_str(), stdout);
        return 0;
    }
    if (arguments.version) {
        std::printf("tarnwick-batch %s\n", TARNWICK_VERSION);
        return 0;
    }
    return tw::batch::run(arguments, QCoreApplication::applicationDirPath().toStdString() + "/");
}
