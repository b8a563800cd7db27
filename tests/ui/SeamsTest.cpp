#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <fstream>

#include "MainFormFixture.h"
#include "app/Application.h"
#include "ui/Prompter.h"

using twtest::MainFormTest;

namespace {

constexpr auto kFilter =
    "All Support Files(*.wav;*.mp3;*.wma)|*.wav;*.mp3;*.wma|WAV Files(*.wav)|*.wav|"
    "MP3 Files(*.mp3)|*.mp3|WMA Files(*.wma)|*.wma|All Files(*.*)|*.*";

// Runs fn on the next modal window that comes up.
template <class Fn>
void onModal(Fn fn)
{
    QTimer::singleShot(0, [fn] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            onModal(fn);
            return;
        }
        fn(modal);
    });
}

}  // namespace

TEST(FileFilter, ConvertedEntryByEntry)
{
    const QStringList filters = tw::qtFilters(kFilter);
    // A text that already ends in its patterns gets them once, in Qt's form.
    EXPECT_EQ(filters, (QStringList{"All Support Files(*.wav *.mp3 *.wma)", "WAV Files(*.wav)", "MP3 Files(*.mp3)",
                                    "WMA Files(*.wma)", "All Files(*)"}));
    EXPECT_EQ(tw::qtFilters("Sounds|*.wav|Old (*.aif)|*.wav"), (QStringList{"Sounds (*.wav)", "Old (*.aif) (*.wav)"}));
    EXPECT_EQ(tw::filterIndexOf(kFilter, filters[0]), 1);
    EXPECT_EQ(tw::filterIndexOf(kFilter, filters[2]), 3);
    EXPECT_EQ(tw::filterIndexOf(kFilter, filters[4]), 5);
    EXPECT_EQ(tw::filterIndexOf(kFilter, "something else"), 1);
    EXPECT_TRUE(tw::qtFilters("").isEmpty());
    EXPECT_EQ(tw::qtFilters("Odd"), QStringList{"Odd (*)"});
}

TEST_F(MainFormTest, MessagesFromCoreCodeReachTheHook)
{
    auto form = make();
    messages.clear();
    tw::Messenger& messenger = *form;
    messenger.inform("Can not open the file.");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Can not open the file.");
    EXPECT_EQ(messages[0].buttons, tw::MsgButtons::Ok);

    form->prompter().setMessageHook([](const tw::MessageRequest&) { return tw::MsgResult::No; });
    EXPECT_EQ(messenger.show({"Save changes?", {}, tw::MsgIcon::Question, tw::MsgButtons::YesNoCancel}),
              tw::MsgResult::No);
}

TEST(Prompter, ShowsARealMessageBox)
{
    tw::Prompter prompter("Tarnwick");
    QString title, text;
    QMessageBox::Icon icon{};
    onModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(prompter.message({"Save the changes?", {}, tw::MsgIcon::Question, tw::MsgButtons::YesNoCancel}),
              tw::MsgResult::No);
    EXPECT_EQ(title, "Tarnwick");
    EXPECT_EQ(text, "Save the changes?");
    EXPECT_EQ(icon, QMessageBox::Question);

    onModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(prompter.message({"Broken.", "Lame Encoder", tw::MsgIcon::Error, tw::MsgButtons::Ok}),
              tw::MsgResult::Ok);
    EXPECT_EQ(title, "Lame Encoder");
    EXPECT_EQ(icon, QMessageBox::Critical);

    // Escape on a Yes/No/Cancel box is Cancel.
    onModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(prompter.message({"?", {}, tw::MsgIcon::Question, tw::MsgButtons::YesNoCancel}),
              tw::MsgResult::Cancel);
}

TEST_F(MainFormTest, FileDialogHookAnswers)
{
    auto form = make();
    tw::FileDialogRequest seen;
    form->prompter().setFileHook([&](const tw::FileDialogRequest& r) -> std::optional<tw::FileDialogChoice> {
        seen = r;
        return tw::FileDialogChoice{"/music/x.mp3", 3};
    });
    const auto choice = form->fileDialog({tw::FileDialogMode::Save, form->SaveDialog1.filter, 1, "x", {}});
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->path, "/music/x.mp3");
    EXPECT_EQ(choice->filterIndex, 3);
    EXPECT_EQ(seen.mode, tw::FileDialogMode::Save);
    EXPECT_EQ(seen.filter, kFilter);
    EXPECT_EQ(form->OpenDialog1.filter, kFilter);
}

TEST(Prompter, RealFileDialogReportsTheChosenFilterOneBased)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/song.mp3";
    std::ofstream(path.toStdString()) << "ID3";
    tw::Prompter prompter("Tarnwick");
    QStringList offered;
    onModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        offered = dialog->nameFilters();
        dialog->selectNameFilter(offered.value(2));
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
    });
    const auto choice = prompter.fileDialog({tw::FileDialogMode::Open, kFilter, 1, {}, {}});
    ASSERT_TRUE(choice);
    EXPECT_EQ(offered, tw::qtFilters(kFilter));
    EXPECT_EQ(choice->filterIndex, 3);
    EXPECT_EQ(choice->path, path.toStdString());

    onModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(prompter.fileDialog({tw::FileDialogMode::Save, kFilter, 2, "a.wav", {}}));
}

namespace {

class Thrower final : public QObject {
public:
    bool throwStd = true;
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) {
            if (throwStd)
                throw std::runtime_error("Disk full");
            throw 42;
        }
        return QObject::event(e);
    }
};

}  // namespace

TEST(Application, ExceptionsInEventHandlersAreShownAndTheProgramGoesOn)
{
    auto* app = qobject_cast<tw::Application*>(QApplication::instance());
    ASSERT_NE(app, nullptr);
    std::vector<std::string> shown;
    app->showException = [&](const std::string& m) { shown.push_back(m); };
    Thrower thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&thrower);
    thrower.throwStd = false;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&thrower);
    app->showException = nullptr;
    EXPECT_EQ(shown, (std::vector<std::string>{"Disk full", ""}));
}
