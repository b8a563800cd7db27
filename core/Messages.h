// Message boxes as the core asks for them; the windows show them, tests answer them.
#pragma once

#include <string>

namespace tw {

enum class MsgIcon { None, Information, Warning, Error, Question };
// YesNoLater: Yes and No, where Escape or the close box answers Cancel.
enum class MsgButtons { Ok, YesNo, YesNoCancel, YesNoLater };
enum class MsgResult { Ok, Yes, No, Cancel };

struct MessageRequest {
    std::string text;
    std::string caption;  // empty: the program's title
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    // Texts of the Yes and No buttons in place of the platform's words.
    std::string yesText = {};
    std::string noText = {};
};

class Messenger {
public:
    virtual ~Messenger() = default;
    virtual MsgResult show(const MessageRequest& request) = 0;

    // A plain box with one OK button.
    void inform(const std::string& text, const std::string& caption = {})
    {
        show({text, caption, MsgIcon::None, MsgButtons::Ok});
    }
};

}  // namespace tw
