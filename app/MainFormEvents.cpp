// The main window's life: creation, showing, activation, resizing, closing,
// and the routine that enables the commands for the current state.
#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include "app/MainFormTexts.h"
#include "app/TMainForm.h"
#include "core/Markers.h"
#include "core/ZoomLadder.h"
#include "audio/bass.h"
#include "core/CommandLine.h"
#include "core/ControlTable.h"
#include "core/Layout.h"
#include "core/StatusText.h"
#include "ui/Captions.h"

namespace tw {

void TMainForm::FormCreate()
{
    namespace T = MainFormTexts;
    // 1, 2: the audio library. After a failure the silent device stands in,
    // so that opening, editing and saving still work.
    const auto version = options_.audioVersion ? options_.audioVersion : [] { return BASS_GetVersion(); };
    const auto init = options_.audioInit ? options_.audioInit
                                         : [this](int device) { return BASS_Init(device, 44100, 0, this, nullptr); };
    if ((version() >> 16) != BASSVERSION) {
        show({T::kWrongVersion, {}, MsgIcon::Information, MsgButtons::Ok});
        audioStarted_ = init(0) != 0;
    } else if (init(-1)) {
        audioStarted_ = true;
    } else {
        BASS_Free();
        show({T::kNoDevice, "Error", MsgIcon::Error, MsgButtons::Ok});
        audioStarted_ = init(0) != 0;
    }

    // 3: a private temporary directory of our own.
    privateTemp_ = std::make_unique<PrivateTempDir>(options_.tempBase);
    tempDir = privateTemp_->path();
    clipboard_.setFolder(tempDir);

    // 4: the waveform surface and its image.
    setPaintBoxWidth(10);
    waveBitmap = QImage(10, 221, QImage::Format_RGB32);
    waveBitmap.fill(Qt::black);

    // 5
    CreateMeters();

    // 6
    workPath.clear();
    sourcePath.clear();
    zoom = kStartZoom;
    MZoom10->setChecked(true);
    modified = false;
    setMarkerFrames(*this, 0, 0);
    loaded = false;
    openOnShow = false;

    // 7: a file named on the command line is opened when the window shows.
    if (auto file = commandLineFile(commandLine())) {
        sourcePath = *file;
        openOnShow = true;
    }

    // 8
    appDir = QCoreApplication::applicationDirPath().toStdString() + '/';

    // 9
    ReadSettings();
    BuildLanguageMenu();
    LoadBanner();
    qApp->installEventFilter(this);  // right presses over the banner

    Timer1->start();
    UpdateControls(playState);
}

std::vector<std::string> TMainForm::commandLine() const
{
    if (options_.arguments)
        return *options_.arguments;
    std::vector<std::string> args;
    for (const QString& a : QCoreApplication::arguments())
        args.push_back(a.toStdString());
    return args;
}

void TMainForm::FormShow()
{
    // The texts go on before anything shows them, also where the window
    // system never activates the window; the open's progress window too.
    ApplyLanguage();
    UpdateControls(playState);
    if (!openOnShow)
        return;
    openOnShow = false;
    OpenSourceFile();
}

void TMainForm::FormActivate()
{
    ApplyLanguage();
    UpdateControls(playState);
}

void TMainForm::FormResize()
{
    waveBitmapFresh_ = false;  // the visible part changes with the size
    const int top = paintBoxTop(ScrollBox1->height());
    PaintBox1->move(0, top);
    ScrollBox1Contents->resize(PaintBox1->width(), top + PaintBox1->height());
}

void TMainForm::setPaintBoxWidth(int width)
{
    PaintBox1->resize(width, 221);
    FormResize();
}

bool TMainForm::FormClose()
{
    return sourcePath.empty() || CloseDocument();
}

void TMainForm::FormDestroy()
{
    Timer1->stop();
    BASS_Free();
    waveBitmap = QImage();
    if (!adMoviePath.empty())
        QFile::remove(QFile::decodeName(adMoviePath.c_str()));
    // The private temporary directory goes with privateTemp_.
}

void TMainForm::MExitClick()
{
    close();
}

void TMainForm::UpdateControls(std::int32_t state)
{
    playState = state;
    ControlInputs in;
    in.state = state;
    in.modified = modified;
    // Beyond the six levels Zoom In and Out go to the nearest of them, where there is one.
    const bool onMenuLevel = ZoomGroup->checkedAction() != nullptr;
    in.zoom1Checked = MZoom1->isChecked() || (!onMenuLevel && zoom <= kMenuZooms[5]);
    in.zoom10Checked = MZoom10->isChecked() || (!onMenuLevel && zoom >= kMenuZooms[0]);
    in.selStart = selStart;
    in.selFinish = selFinish;
    in.canUndo = journal_.canUndo();
    in.canRedo = journal_.canRedo();
    in.rangeHoldsSound = loaded && copyRange(*this).bytes() > 0;
    in.clipboardHoldsSound = clipboard_.holdsSound();
    if (state >= kStopped && state <= kPaused)
        in.p = cursorColumn();
    const ControlFlags f = controlFlags(in);

    auto enable = [](bool on, std::initializer_list<QObject*> controls) {
        for (QObject* c : controls) {
            if (auto* w = qobject_cast<QWidget*>(c))
                w->setEnabled(on);
            else if (auto* a = qobject_cast<QAction*>(c))
                a->setEnabled(on);
        }
    };
    enable(f.open, {MOpen, ButtonOpen});
    enable(f.doc, {MSelectRange, MZoomFit, MZoomSelection});
    enable(f.doc, {MClose, ButtonClose, MSaveAs, ButtonSaveAs, MSelectAll, MPopSelectAll, MDelete, ButtonDelete,
                   MCutOut, ButtonCutOut, MVolume, ButtonVolume, MFadeIn, ButtonFadeIn, MFadeOut, ButtonFadeOut,
                   MZoom10, MZoom8, MZoom6, MZoom4, MZoom2, MZoom1});
    enable(f.save, {MSave, ButtonSave});
    enable(f.undo, {MUndo});
    enable(f.redo, {MRedo});
    enable(f.range, {MCut, MCopy, MSaveSelection, MNormalize});
    enable(f.paste, {MPaste});
    updateEffectItems(f.doc);
    enable(f.zoomIn, {ButtonZoomIn});
    enable(f.zoomOut, {ButtonZoomOut});
    enable(f.play, {MPlay, CButtonPlay, MPlayFromHere, CButtonPlayFromHere, MPopPlayFromHere});
    enable(f.pause, {MPause, CButtonPause});
    enable(f.stop, {MStop, CButtonStop});
    enable(f.setStart, {MSetStart, CButtonSetStart, MPopSetStart});
    enable(f.setFinish, {MSetFinish, CButtonSetFinish, MPopSetFinish});

    showSelection();
    if (state == kNoDocument)
        setStatusTexts({});
    else if (state == kStopped)
        setStatusTexts(statusTexts(*this, languageIni));
}

void TMainForm::setStatusTexts(const std::array<std::string, 3>& texts)
{
    for (std::size_t i = 0; i < texts.size(); ++i)
        setCaption(*StatusPanels[i], QString::fromStdString(texts[i]));
    // The path may be shortened on the panel: its hint holds all of it.
    StatusPanels[2]->setToolTip(StatusPanels[2]->text());
}

MsgResult TMainForm::show(const MessageRequest& request)
{
    // Boxes shown while the window is being built have no owner.
    return prompter_.message(request, isVisible() ? this : nullptr);
}

std::optional<FileDialogChoice> TMainForm::fileDialog(const FileDialogRequest& request)
{
    return prompter_.fileDialog(request, this);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous() && !shown_) {
        shown_ = true;
        FormShow();
    }
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (bannerTakes(watched, event))
        return true;
    if (watched == ScrollBox1 && event->type() == QEvent::Resize)
        FormResize();
    if (watched == ScrollBox1->viewport() && event->type() == QEvent::Wheel)
        return WaveWheel(static_cast<const QWheelEvent&>(*event));
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // Cancel in the save prompt keeps the window, and the edits with it.
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

}  // namespace tw
