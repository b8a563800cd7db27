#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <QTimer>

#include <cmath>

#include "MainFormFixture.h"
#include "app/MainFormTexts.h"
#include "i18n/Settings.h"
#include "ui/ModalResult.h"
#include "ui/RunModal.h"
#include "ui/TAboutForm.h"
#include "ui/TOpenForm.h"
#include "ui/TProcessForm.h"
#include "ui/TReloadForm.h"
#include "ui/TSaveForm.h"
#include "ui/TVolumeForm.h"

using twtest::MainFormTest;

namespace {

void expectText(QWidget& dialog, const char* name, const QString& text)
{
    auto* w = dialog.findChild<QWidget*>(name);
    ASSERT_NE(w, nullptr) << name;
    if (auto* l = qobject_cast<QLabel*>(w)) {
        EXPECT_EQ(l->text(), text) << name;
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        EXPECT_EQ(b->text(), text) << name;
    }
    EXPECT_EQ(w->accessibleName(), text) << name;
}

void expectBar(QWidget& dialog, const char* name, QSize size)
{
    auto* bar = dialog.findChild<QProgressBar*>(name);
    ASSERT_NE(bar, nullptr) << name;
    EXPECT_EQ(bar->size(), size);  // a long label moves a bar, never narrows it
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_FALSE(bar->accessibleName().isEmpty()) << name;
}

bool hasCloseBox(const QWidget& w)
{
    return w.windowFlags().testFlag(Qt::WindowCloseButtonHint) ||
           w.windowFlags().testFlag(Qt::WindowSystemMenuHint);
}

// Presses a button of the modal window as soon as it is up.
void pressWhenShown(QAbstractButton* button)
{
    QTimer::singleShot(0, button, [button] { button->click(); });
}

// How wide text really is in font: the outlines of its glyphs from x = 0.
int inkWidth(const QString& text, const QFont& font)
{
    QPainterPath outlines;
    outlines.addText(0, 0, font, text);
    return text.isEmpty() ? 0 : static_cast<int>(std::ceil(outlines.boundingRect().right()));
}

// The controls of a dialog as they stand, without its bevels (frames around or between them).
std::vector<QWidget*> controlsOf(QDialog& dialog)
{
    std::vector<QWidget*> controls;
    for (QWidget* w : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->isVisible() && w->metaObject() != &QFrame::staticMetaObject)
            controls.push_back(w);
    return controls;
}

std::vector<QRect> layoutOf(QDialog& dialog)
{
    std::vector<QRect> rects{dialog.rect()};
    for (QWidget* w : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!qobject_cast<QLabel*>(w))
            rects.push_back(w->geometry());
    return rects;
}

}  // namespace

TEST_F(MainFormTest, EveryShippedLanguageFitsItsTextsIntoEveryDialog)
{
    for (const std::string& file : tw::languageFiles(TARNWICK_LANGUAGE_DIR)) {
        auto form = make();
        const auto dialogs = form->findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
        std::vector<std::vector<QRect>> designed;
        for (QDialog* dialog : dialogs)
            designed.push_back(layoutOf(*dialog));
        form->languageFile = file;
        form->ApplyLanguage();
        form->AboutForm->homePage = tw::MainFormTexts::kHomePageAddress;
        for (qsizetype i = 0; i < dialogs.size(); ++i) {
            QDialog& dialog = *dialogs[i];
            const std::string where = file + " " + dialog.objectName().toStdString();
            dialog.show();
            EXPECT_FALSE(dialog.grab().isNull()) << where;
            const auto controls = controlsOf(dialog);
            for (QWidget* c : controls) {
                const std::string name = where + " " + c->objectName().toStdString();
                if (const auto* label = qobject_cast<QLabel*>(c)) {
                    EXPECT_LE(inkWidth(label->text(), label->font()), label->contentsRect().width())
                        << name << " " << label->text().toStdString();
                }
                EXPECT_TRUE(dialog.rect().contains(c->geometry())) << name;
                for (QWidget* other : controls)
                    EXPECT_TRUE(c == other || !c->geometry().intersects(other->geometry()))
                        << name << " and " << other->objectName().toStdString();
            }
            // Where every text fits, everything stands where it was made.
            if (file == "English.ini") {
                EXPECT_EQ(layoutOf(dialog), designed[static_cast<std::size_t>(i)]) << where;
            }
            dialog.hide();
        }
    }
}

TEST_F(MainFormTest, ProgressWindowsLayout)
{
    auto form = make();
    tw::TOpenForm& open = *form->OpenForm;
    EXPECT_EQ(open.windowTitle(), "Open File");
    EXPECT_EQ(open.size(), QSize(354, 124));
    EXPECT_FALSE(hasCloseBox(open));
    expectText(open, "Label1", "Decoding:");
    expectText(open, "Label2", "Loading:");
    expectText(open, "ButtonCancel", "Cancel");
    expectBar(open, "ProgressBar1", {267, 17});
    expectBar(open, "ProgressBar2", {267, 17});

    tw::TReloadForm& reload = *form->ReloadForm;
    EXPECT_EQ(reload.windowTitle(), "Reload File");
    EXPECT_EQ(reload.size(), QSize(315, 55));
    EXPECT_FALSE(hasCloseBox(reload));
    expectBar(reload, "ProgressBar1", {267, 17});
    EXPECT_EQ(reload.findChildren<QPushButton*>().size(), 0);

    tw::TSaveForm& save = *form->SaveForm;
    EXPECT_EQ(save.windowTitle(), "Save File");
    EXPECT_EQ(save.size(), QSize(315, 93));
    EXPECT_FALSE(hasCloseBox(save));
    expectBar(save, "ProgressBar1", {267, 17});
    expectText(save, "ButtonCancel", "Cancel");

    tw::TProcessForm& process = *form->ProcessForm;
    EXPECT_EQ(process.windowTitle(), "Process");
    EXPECT_EQ(process.size(), QSize(354, 85));
    EXPECT_FALSE(hasCloseBox(process));
    expectText(process, "Label1", "Processing:");
    expectText(process, "Label2", "Reloading:");
    expectBar(process, "ProgressBar1", {260, 17});
    expectBar(process, "ProgressBar2", {260, 17});
    EXPECT_EQ(process.ProgressBar1->geometry().right(), 77 + 260 - 1);
    EXPECT_EQ(process.ProgressBar1->y(), 16);
    EXPECT_EQ(process.ProgressBar2->y(), 48);
    // A label is never covered by its bar, whatever the font.
    for (auto [label, bar] : {std::pair{process.Label1, process.ProgressBar1},
                              std::pair{process.Label2, process.ProgressBar2},
                              std::pair{open.Label1, open.ProgressBar1}}) {
        EXPECT_FALSE(label->geometry().intersects(bar->geometry())) << label->text().toStdString();
        EXPECT_GE(label->width(), label->sizeHint().width());
    }
    EXPECT_EQ(process.findChildren<QPushButton*>().size(), 0);
}

TEST_F(MainFormTest, VolumeAndAboutLayout)
{
    auto form = make();
    tw::TVolumeForm& volume = *form->VolumeForm;
    EXPECT_EQ(volume.windowTitle(), "Volume");
    EXPECT_EQ(volume.size(), QSize(241, 132));
    expectText(volume, "Label1", "Volume:");
    expectText(volume, "CheckBoxMute", "Mute");
    expectText(volume, "ButtonOk", "OK");
    expectText(volume, "ButtonCancel", "Cancel");
    QStringList items;
    for (int i = 0; i < volume.ComboBox1->count(); ++i)
        items << volume.ComboBox1->itemText(i);
    EXPECT_EQ(items, (QStringList{"250%", "200%", "150%", "100%", "75%", "50%", "25%"}));
    EXPECT_FALSE(volume.ComboBox1->isEditable());
    EXPECT_EQ(volume.ComboBox1->accessibleName(), "Volume:");
    EXPECT_EQ(volume.ComboBox1->geometry(), QRect(80, 21, 129, 21));
    EXPECT_EQ(volume.ButtonOk->geometry(), QRect(24, 96, 75, 25));
    EXPECT_EQ(volume.ButtonCancel->geometry(), QRect(134, 96, 75, 25));

    tw::TAboutForm& about = *form->AboutForm;
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(about.size(), QSize(337, 224));
    expectText(about, "Label2", "Version:");
    expectText(about, "Label3", "3.2");
    expectText(about, "Label4", "Home page:");
    expectText(about, "ButtonOk", "OK");
    EXPECT_EQ(about.ButtonOk->geometry(), QRect(120, 188, 75, 25));
    EXPECT_FALSE(about.Image1->pixmap().isNull());
}

TEST_F(MainFormTest, VolumeDialogResults)
{
    auto form = make();
    pressWhenShown(form->VolumeForm->ButtonOk);
    EXPECT_EQ(form->VolumeForm->exec(), tw::mrOk);
    pressWhenShown(form->VolumeForm->ButtonCancel);
    EXPECT_EQ(form->VolumeForm->exec(), tw::mrCancel);
    QTimer::singleShot(0, form->VolumeForm, [&] { form->VolumeForm->close(); });  // the close box
    EXPECT_EQ(form->VolumeForm->exec(), tw::mrCancel);
}

TEST_F(MainFormTest, OpenCancelClosesWithCancelAndRaisesTheStopRequest)
{
    auto form = make();
    tw::TOpenForm& open = *form->OpenForm;
    open.progress().clearStop();
    bool sawStop = false;
    // A body that decodes until told to stop, then ends without closing.
    auto body = [&] {
        pressWhenShown(open.ButtonCancel);
        for (int block = 0; block < 100000 && !open.progress().stopRequested(); ++block) {
            open.progress().setBar(0, block % 101);
            QApplication::processEvents();
        }
        sawStop = open.progress().stopRequested();
    };
    EXPECT_EQ(tw::runModal<tw::TOpenThread>(open, body), tw::mrCancel);
    EXPECT_TRUE(sawStop);
    EXPECT_FALSE(open.isVisible());
}

TEST_F(MainFormTest, SaveCancelGivesAbort)
{
    auto form = make();
    tw::TSaveForm& save = *form->SaveForm;
    save.progress().clearStop();
    pressWhenShown(save.ButtonCancel);
    EXPECT_EQ(tw::runModal(save, [] {}), tw::mrAbort);
    EXPECT_TRUE(save.progress().stopRequested());
}

TEST_F(MainFormTest, ProgressWindowsWithoutCancelIgnoreEscape)
{
    auto form = make();
    tw::TReloadForm& reload = *form->ReloadForm;
    bool stillUp = false;
    auto body = [&] {
        reload.reject();  // Escape or Alt+F4
        stillUp = reload.isVisible();
        reload.progress().setBar(0, 100);
        reload.done(tw::mrOk);
    };
    EXPECT_EQ(tw::runModal(reload, body), tw::mrOk);
    EXPECT_TRUE(stillUp);
    EXPECT_EQ(reload.ProgressBar1->value(), 100);
}

TEST_F(MainFormTest, BodyRunsWhileTheProgressWindowIsUp)
{
    auto form = make();
    tw::TProcessForm& process = *form->ProcessForm;
    bool visible = false;
    bool onUiThread = false;
    auto body = [&] {
        visible = process.isVisible() && QApplication::activeModalWidget() == &process;
        onUiThread = QThread::currentThread() == QApplication::instance()->thread();
        process.progress().setBar(0, 40);
        process.progress().setBar(1, 70);
        process.done(tw::mrOk);
    };
    EXPECT_EQ(tw::runModal(process, body), tw::mrOk);
    EXPECT_TRUE(visible);
    EXPECT_TRUE(onUiThread);
    EXPECT_EQ(process.ProgressBar1->value(), 40);
    EXPECT_EQ(process.ProgressBar2->value(), 70);
}

namespace {

class HeldThread final : public tw::WorkerThread {
public:
    using tw::WorkerThread::WorkerThread;
    QSemaphore gate;

protected:
    void Execute() override
    {
        gate.acquire();
        tw::WorkerThread::Execute();
    }
};

}  // namespace

TEST_F(MainFormTest, ProgressWindowClosedBeforeTheBodyStartsSkipsTheBody)
{
    auto form = make();
    tw::TOpenForm& open = *form->OpenForm;
    bool ran = false;
    HeldThread worker([&] { ran = true; });
    // Cancel goes before the thread hands its body over; the thread then
    // hands it over and must find it skipped.
    QObject::connect(&open, &QDialog::finished, &open, [&] { worker.gate.release(); },
                     Qt::SingleShotConnection);
    pressWhenShown(open.ButtonCancel);
    EXPECT_EQ(tw::runModal(open, worker), tw::mrCancel);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(worker.isFinished());
}
