// A main window built for a test: the command line, the temporary directory
// and every message box are the test's.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

#include "app/TMainForm.h"

namespace twtest {

constexpr auto kDeviceMessage = "Can not start default recording device!";

class MainFormTest : public ::testing::Test {
protected:
    tw::TMainFormOptions optionsFor(std::vector<std::string> arguments)
    {
        tw::TMainFormOptions options;
        options.arguments = std::move(arguments);
        options.tempBase = scratch.path().toStdString();
        // The shipped language files; settings of the test's own.
        options.dataPaths = tw::DataPaths{TARNWICK_LANGUAGE_DIR, scratch.path().toStdString() + "/Tarnwick.ini", "", ""};
        options.locale = "en_US";
        options.messageHook = [this](const tw::MessageRequest& r) {
            messages.push_back(r);
            return tw::MsgResult::Ok;
        };
        return options;
    }

    std::unique_ptr<tw::TMainForm> make(std::vector<std::string> arguments = {"tarnwick"})
    {
        return std::make_unique<tw::TMainForm>(optionsFor(std::move(arguments)));
    }

    // Messages other than the one about a missing sound device (which the
    // machine running the tests may or may not give).
    std::vector<tw::MessageRequest> otherMessages() const
    {
        std::vector<tw::MessageRequest> out;
        for (const auto& m : messages)
            if (m.text != kDeviceMessage)
                out.push_back(m);
        return out;
    }

    QTemporaryDir scratch;
    std::vector<tw::MessageRequest> messages;
};

}  // namespace twtest
