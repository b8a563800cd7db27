// Building the main window's controls.
#include "app/TMainForm.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/MainFormTexts.h"
#include "ui/Captions.h"
#include "ui/ElidedLabel.h"
#include "ui/TAboutForm.h"
#include "ui/TNormalizeForm.h"
#include "ui/TOpenForm.h"
#include "ui/TProcessForm.h"
#include "ui/TReloadForm.h"
#include "ui/TSaveForm.h"
#include "ui/TVolumeForm.h"

static void initResources()
{
    Q_INIT_RESOURCE(tarnwick);
}

namespace tw {

namespace {

constexpr int kClientWidth = 714;
constexpr int kClientHeight = 421;
constexpr int kToolbarHeight = 65;
constexpr int kControlBarHeight = 71;

// Tahoma 8 pt; where it is missing, a narrowed sans face of similar width.
QFont windowFont()
{
    QFont font;
    font.setPointSize(8);
    if (QFontDatabase::hasFamily("Tahoma")) {
        font.setFamily("Tahoma");
    } else {
        font.setFamilies({"DejaVu Sans", "Liberation Sans"});
        font.setStretch(QFont::SemiCondensed);
    }
    return font;
}

// Black until the spectrum and the level meter draw.
void blackBackground(QWidget& w)
{
    QPalette palette = w.palette();
    palette.setColor(QPalette::Window, Qt::black);
    w.setPalette(palette);
    w.setAutoFillBackground(true);
}

QToolButton* glyphButton(QWidget* parent, const char* name, const char* icon, Qt::ToolButtonStyle style,
                         QSize size, int iconSize)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setToolButtonStyle(style);
    button->setAutoRaise(true);
    button->setFixedSize(size);
    button->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(icon)));
    button->setIconSize(QSize(iconSize, iconSize));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QToolButton* toolButton(QWidget* parent, const char* name, const char* icon, const QString& caption)
{
    auto* button = glyphButton(parent, name, icon, Qt::ToolButtonTextUnderIcon, QSize(49, 59), 24);
    setCaption(*button, caption);
    return button;
}

QToolButton* transportButton(QWidget* parent, const char* name, const char* icon, const QString& hint)
{
    auto* button = glyphButton(parent, name, icon, Qt::ToolButtonIconOnly, QSize(23, 22), 16);
    setHint(*button, hint);
    return button;
}

QFrame* separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedSize(8, 47);
    return line;
}

QAction* menuItem(QMenu* menu, const char* name, const QString& caption)
{
    auto* action = menu->addAction(QString());
    action->setObjectName(name);
    setCaption(*action, caption);
    return action;
}

}  // namespace

TMainForm::TMainForm(TMainFormOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)), prompter_(MainFormTexts::kTitle)
{
    initResources();
    prompter_.setMessageHook(options_.messageHook);
    prompter_.setFileHook(options_.fileHook);

    setObjectName("MainForm");
    setWindowCaption(*this, MainFormTexts::kTitle);
    setWindowIcon(QIcon(":/icons/tarnwick.svg"));
    setFont(windowFont());
    setAcceptDrops(true);  // a sound file dropped on the window opens

    buildMenus();
    auto* central = new QWidget(this);
    central->setObjectName("ClientArea");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);
    buildToolbar();
    buildWaveArea();
    buildControlBar();
    column->addWidget(Panel1);
    column->addWidget(ScrollBox1, 1);
    column->addWidget(ControlBar1);
    buildStatusBar();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
    connectCommands();

    // Client area 714 × 421 below the menu bar, centred on the desktop.
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    FormCreate();

    OpenForm = new TOpenForm(this);
    ReloadForm = new TReloadForm(this);
    SaveForm = new TSaveForm(this);
    AboutForm = new TAboutForm(this);
    ProcessForm = new TProcessForm(this);
    VolumeForm = new TVolumeForm(this);
    NormalizeForm = new TNormalizeForm(this);
}

TMainForm::~TMainForm()
{
    FormDestroy();
}

void TMainForm::buildMenus()
{
    namespace T = MainFormTexts;
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    auto menu = [&](const char* name, const char* caption) {
        auto* m = bar->addMenu(QString());
        m->setObjectName(name);
        setCaption(*m, caption);
        return m;
    };
    MenuFile = menu("MenuFile", T::kMenuFile);
    MOpen = menuItem(MenuFile, "MOpen", T::kMOpen);
    MClose = menuItem(MenuFile, "MClose", T::kMClose);
    MSave = menuItem(MenuFile, "MSave", T::kMSave);
    MSaveAs = menuItem(MenuFile, "MSaveAs", T::kMSaveAs);
    MSaveSelection = menuItem(MenuFile, "MSaveSelection", T::kMSaveSelection);
    MenuFile->addSeparator();
    MExit = menuItem(MenuFile, "MExit", T::kMExit);

    MenuEdit = menu("MenuEdit", T::kMenuEdit);
    MSelectAll = menuItem(MenuEdit, "MSelectAll", T::kSelectAll);
    MSelectRange = menuItem(MenuEdit, "MSelectRange", T::kMSelectRange);
    MenuEdit->addSeparator();
    MDelete = menuItem(MenuEdit, "MDelete", T::kMDelete);
    MCutOut = menuItem(MenuEdit, "MCutOut", T::kMCutOut);
    MenuEdit->addSeparator();
    MVolume = menuItem(MenuEdit, "MVolume", T::kMVolume);
    MFadeIn = menuItem(MenuEdit, "MFadeIn", T::kMFadeIn);
    MFadeOut = menuItem(MenuEdit, "MFadeOut", T::kMFadeOut);
    MenuEdit->addSeparator();
    MUndo = menuItem(MenuEdit, "MUndo", T::kMUndo);
    MRedo = menuItem(MenuEdit, "MRedo", T::kMRedo);
    MenuEdit->addSeparator();
    MCut = menuItem(MenuEdit, "MCut", T::kMCut);
    MCopy = menuItem(MenuEdit, "MCopy", T::kMCopy);
    MPaste = menuItem(MenuEdit, "MPaste", T::kMPaste);
    MenuEdit->addSeparator();
    MNormalize = menuItem(MenuEdit, "MNormalize", T::kMNormalize);

    buildEffectsMenu();
    MenuZoom = menu("MenuZoom", T::kMenuZoom);
    ZoomGroup = new QActionGroup(this);
    ZoomGroup->setExclusive(true);
    const std::pair<QAction**, std::pair<const char*, const char*>> zooms[] = {
        {&MZoom10, {"MZoom10", T::kMZoom10}}, {&MZoom8, {"MZoom8", T::kMZoom8}},
        {&MZoom6, {"MZoom6", T::kMZoom6}},    {&MZoom4, {"MZoom4", T::kMZoom4}},
        {&MZoom2, {"MZoom2", T::kMZoom2}},    {&MZoom1, {"MZoom1", T::kMZoom1}}};
    for (const auto& [slot, text] : zooms) {
        *slot = menuItem(MenuZoom, text.first, text.second);
        (*slot)->setCheckable(true);
        ZoomGroup->addAction(*slot);
    }
    MenuZoom->addSeparator();
    MZoomFit = menuItem(MenuZoom, "MZoomFit", T::kMZoomFit);
    MZoomSelection = menuItem(MenuZoom, "MZoomSelection", T::kMZoomSelection);

    MenuControl = menu("MenuControl", T::kMenuControl);
    MPlay = menuItem(MenuControl, "MPlay", T::kPlay);
    MPlayFromHere = menuItem(MenuControl, "MPlayFromHere", T::kPlayFromHere);
    MPause = menuItem(MenuControl, "MPause", T::kPause);
    MStop = menuItem(MenuControl, "MStop", T::kStop);
    MenuControl->addSeparator();
    MSetStart = menuItem(MenuControl, "MSetStart", T::kSetStart);
    MSetFinish = menuItem(MenuControl, "MSetFinish", T::kSetFinish);

    MenuLanguage = menu("MenuLanguage", T::kMenuLanguage);

    MenuHelp = menu("MenuHelp", T::kMenuHelp);
    MHelp = menuItem(MenuHelp, "MHelp", T::kMHelp);
    MHome = menuItem(MenuHelp, "MHome", T::kMHome);
    MenuHelp->addSeparator();
    MAbout = menuItem(MenuHelp, "MAbout", T::kMAbout);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    MPopSetStart = menuItem(PopupMenu1, "MPopSetStart", T::kSetStart);
    MPopSetFinish = menuItem(PopupMenu1, "MPopSetFinish", T::kSetFinish);
    MPopPlayFromHere = menuItem(PopupMenu1, "MPopPlayFromHere", T::kPlayFromHere);
    MPopSelectAll = menuItem(PopupMenu1, "MPopSelectAll", T::kSelectAll);

    OpenDialog1.filter = T::kFileFilter;
    SaveDialog1.filter = T::kFileFilter;
}

void TMainForm::buildToolbar()
{
    namespace T = MainFormTexts;
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setAccessibleName(T::kToolbar);
    Panel1->setFixedHeight(kToolbarHeight);
    Panel1->setFrameShape(QFrame::NoFrame);
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(4, 3, 0, 3);
    row->setSpacing(0);
    auto add = [&](const char* name, const char* icon, const char* caption) {
        QToolButton* b = toolButton(Panel1, name, icon, caption);
        row->addWidget(b);
        return b;
    };
    ButtonOpen = add("ButtonOpen", "open", T::kButtonOpen);
    ButtonClose = add("ButtonClose", "close", T::kButtonClose);
    ButtonSave = add("ButtonSave", "save", T::kButtonSave);
    ButtonSaveAs = add("ButtonSaveAs", "saveas", T::kButtonSaveAs);
    row->addWidget(separator(Panel1));
    ButtonDelete = add("ButtonDelete", "delete", T::kButtonDelete);
    ButtonCutOut = add("ButtonCutOut", "cutout", T::kButtonCutOut);
    row->addWidget(separator(Panel1));
    ButtonVolume = add("ButtonVolume", "volume", T::kButtonVolume);
    ButtonFadeIn = add("ButtonFadeIn", "fadein", T::kButtonFadeIn);
    ButtonFadeOut = add("ButtonFadeOut", "fadeout", T::kButtonFadeOut);
    row->addWidget(separator(Panel1));
    ButtonZoomIn = add("ButtonZoomIn", "zoomin", T::kButtonZoomIn);
    ButtonZoomOut = add("ButtonZoomOut", "zoomout", T::kButtonZoomOut);
    row->addWidget(separator(Panel1));
    ButtonHelp = add("ButtonHelp", "help", T::kButtonHelp);
    ButtonUpdate = add("ButtonUpdate", "update", T::kButtonUpdate);
    row->addStretch(1);
    setToolbarFont();

    // The banner stands at a fixed place: in a narrow window only its left
    // part shows, and more of it as the window widens.
    CppWebBrowser1 = new QLabel(Panel1);
    CppWebBrowser1->setObjectName("CppWebBrowser1");
    CppWebBrowser1->setAccessibleName(T::kBanner);
    CppWebBrowser1->setGeometry(695, 0, 257, kToolbarHeight);
    CppWebBrowser1->setFixedSize(257, kToolbarHeight);
    CppWebBrowser1->setCursor(Qt::PointingHandCursor);
}

void TMainForm::setToolbarFont()
{
    // Captions must fit under the glyph in 49 pixels: narrower still when a
    // substitute face stands in for the designed one.
    QFont captions = font();
    if (captions.stretch() != QFont::AnyStretch && captions.stretch() != QFont::Unstretched)
        captions.setStretch(QFont::Condensed);
    for (QToolButton* b : Panel1->findChildren<QToolButton*>())
        b->setFont(captions);
}

void TMainForm::buildWaveArea()
{
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setAccessibleName(MainFormTexts::kWaveform);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setFrameShape(QFrame::StyledPanel);
    ScrollBox1->setFrameShadow(QFrame::Sunken);
    ScrollBox1->setMinimumHeight(40);

    ScrollBox1Contents = new QWidget;
    ScrollBox1Contents->setObjectName("ScrollBox1Contents");
    PaintBox1 = new PaintBox(ScrollBox1Contents);
    PaintBox1->setObjectName("PaintBox1");
    PaintBox1->setAccessibleName(MainFormTexts::kWaveform);
    PaintBox1->setGeometry(0, 0, 10, 221);
    // The pop-up menu opens on the right button's release, after the cursor moved.
    PaintBox1->setContextMenuPolicy(Qt::PreventContextMenu);
    PaintBox1->onPaint = [this](QPainter& painter) {
        if (!loaded || workPath.empty())
            return;
        // A picture PaintBox1Paint has just drawn (and tested for the marker
        // stop) is shown as it is; anything else is drawn anew.
        const bool fresh = waveBitmapFresh_ && waveBitmapColumn == firstVisibleColumn();
        waveBitmapFresh_ = false;
        const std::uint32_t cursor = fresh ? 0 : renderWave();
        painter.drawImage(static_cast<int>(waveBitmapColumn), 0, waveBitmap);
        if (!fresh)
            markerStop(cursor);
    };
    PaintBox1->onMouseDown = [this](QMouseEvent& event) { PaintBox1MouseDown(event); };
    PaintBox1->onMouseUp = [this](QMouseEvent& event) { PaintBox1MouseUp(event); };
    PaintBox1->onMouseMove = [this](QMouseEvent& event) { PaintBox1MouseMove(event); };
    ScrollBox1Contents->resize(10, 221);
    ScrollBox1->setWidget(ScrollBox1Contents);
    ScrollBox1->installEventFilter(this);
    ScrollBox1->viewport()->installEventFilter(this);  // the wheel

    // While a drag's pointer stays beside the visible part, the strip scrolls on.
    dragScroll_ = new QTimer(this);
    dragScroll_->setInterval(50);
    connect(dragScroll_, &QTimer::timeout, this, [this] { dragTo(drag_.pointer); });
}

void TMainForm::buildControlBar()
{
    namespace T = MainFormTexts;
    ControlBar1 = new QFrame(this);
    ControlBar1->setObjectName("ControlBar1");
    ControlBar1->setFixedHeight(kControlBarHeight);
    ControlBar1->setFrameShape(QFrame::NoFrame);
    auto* outer = new QHBoxLayout(ControlBar1);
    outer->setContentsMargins(4, 4, 4, 4);

    CoolBar1 = new QFrame(ControlBar1);
    CoolBar1->setObjectName("CoolBar1");
    CoolBar1->setAccessibleName(T::kTransport);
    CoolBar1->setFrameShape(QFrame::StyledPanel);
    CoolBar1->setFrameShadow(QFrame::Raised);
    auto* band = new QHBoxLayout(CoolBar1);
    band->setContentsMargins(6, 4, 8, 4);
    band->setSpacing(8);

    PaintBox2 = new PaintBox(CoolBar1);
    PaintBox2->setObjectName("PaintBox2");
    PaintBox2->setAccessibleName(T::kSpectrum);
    PaintBox2->setFixedSize(97, 49);
    blackBackground(*PaintBox2);
    band->addWidget(PaintBox2);

    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->setContentsMargins(0, 2, 0, 2);
    PaintBox3 = new PaintBox(CoolBar1);
    PaintBox3->setObjectName("PaintBox3");
    PaintBox3->setAccessibleName(T::kLevelMeter);
    PaintBox3->setFixedSize(161, 17);
    blackBackground(*PaintBox3);
    right->addWidget(PaintBox3);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    CButtonPlay = transportButton(CoolBar1, "CButtonPlay", "play", T::kPlay);
    CButtonPlayFromHere = transportButton(CoolBar1, "CButtonPlayFromHere", "playfromhere", T::kPlayFromHere);
    CButtonPause = transportButton(CoolBar1, "CButtonPause", "pause", T::kPause);
    CButtonStop = transportButton(CoolBar1, "CButtonStop", "stop", T::kStop);
    CButtonSetStart = transportButton(CoolBar1, "CButtonSetStart", "setstart", T::kSetStart);
    CButtonSetFinish = transportButton(CoolBar1, "CButtonSetFinish", "setfinish", T::kSetFinish);
    for (QToolButton* b : {CButtonPlay, CButtonPlayFromHere, CButtonPause, CButtonStop, CButtonSetStart,
                           CButtonSetFinish})
        buttons->addWidget(b);
    buttons->addStretch(1);
    right->addLayout(buttons);
    band->addLayout(right);
    band->addStretch(1);

    outer->addWidget(CoolBar1, 0, Qt::AlignLeft | Qt::AlignVCenter);
    outer->addStretch(1);
}

void TMainForm::buildStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    setStatusBar(StatusBar1);
    constexpr std::array<int, 3> kWidths{250, 200, 300};
    for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
        // The last panel shows the path, shortened in the middle to its width.
        QLabel* panel = i + 1 < StatusPanels.size() ? new QLabel(StatusBar1) : new ElidedLabel(StatusBar1);
        panel->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        panel->setAccessibleName(QStringLiteral("Status %1").arg(i + 1));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        // The last panel gives way when the window is narrow, and never widens it.
        if (i + 1 < StatusPanels.size())
            panel->setFixedWidth(kWidths[i]);
        else
            panel->setMinimumWidth(0);
        panel->setMinimumHeight(0);
        StatusBar1->addWidget(panel, i + 1 < StatusPanels.size() ? 0 : 3);
        StatusPanels[i] = panel;
    }
    // Beside the path, sharing its room up to its text's width (showSelection);
    // it never widens the window either.
    StatusSelection = new ElidedLabel(StatusBar1);
    StatusSelection->setObjectName("StatusSelection");
    StatusSelection->setAccessibleName(MainFormTexts::kSelectionPanel);
    StatusSelection->setFrameShape(QFrame::StyledPanel);
    StatusSelection->setFrameShadow(QFrame::Sunken);
    StatusSelection->setMinimumSize(0, 0);
    StatusSelection->setMaximumWidth(0);  // until a document is open
    StatusBar1->addWidget(StatusSelection, 2);
}

void TMainForm::connectCommands()
{
    auto on = [this](QToolButton* b, void (TMainForm::*handler)()) {
        connect(b, &QToolButton::clicked, this, handler);
    };
    auto onItem = [this](QAction* a, void (TMainForm::*handler)()) {
        connect(a, &QAction::triggered, this, handler);
    };
    on(ButtonOpen, &TMainForm::ButtonOpenClick);
    on(ButtonClose, &TMainForm::ButtonCloseClick);
    on(ButtonSave, &TMainForm::ButtonSaveClick);
    on(ButtonSaveAs, &TMainForm::ButtonSaveAsClick);
    on(ButtonDelete, &TMainForm::ButtonDeleteClick);
    on(ButtonCutOut, &TMainForm::ButtonCutOutClick);
    on(ButtonVolume, &TMainForm::ButtonVolumeClick);
    on(ButtonFadeIn, &TMainForm::ButtonFadeInClick);
    on(ButtonFadeOut, &TMainForm::ButtonFadeOutClick);
    on(ButtonZoomIn, &TMainForm::ButtonZoomInClick);
    on(ButtonZoomOut, &TMainForm::ButtonZoomOutClick);
    on(ButtonHelp, &TMainForm::ButtonHelpClick);
    on(ButtonUpdate, &TMainForm::ButtonUpdateClick);
    on(CButtonPlay, &TMainForm::CButtonPlayClick);
    on(CButtonPlayFromHere, &TMainForm::CButtonPlayFromHereClick);
    on(CButtonPause, &TMainForm::CButtonPauseClick);
    on(CButtonStop, &TMainForm::CButtonStopClick);
    on(CButtonSetStart, &TMainForm::CButtonSetStartClick);
    on(CButtonSetFinish, &TMainForm::CButtonSetFinishClick);

    onItem(MOpen, &TMainForm::MOpenClick);
    onItem(MClose, &TMainForm::MCloseClick);
    onItem(MSave, &TMainForm::MSaveClick);
    onItem(MSaveAs, &TMainForm::MSaveAsClick);
    onItem(MSaveSelection, &TMainForm::MSaveSelectionClick);
    onItem(MExit, &TMainForm::MExitClick);
    onItem(MSelectAll, &TMainForm::MSelectAllClick);
    onItem(MSelectRange, &TMainForm::MSelectRangeClick);
    onItem(MZoomFit, &TMainForm::MZoomFitClick);
    onItem(MZoomSelection, &TMainForm::MZoomSelectionClick);
    onItem(MDelete, &TMainForm::MDeleteClick);
    onItem(MCutOut, &TMainForm::MCutOutClick);
    onItem(MVolume, &TMainForm::MVolumeClick);
    onItem(MFadeIn, &TMainForm::MFadeInClick);
    onItem(MFadeOut, &TMainForm::MFadeOutClick);
    onItem(MUndo, &TMainForm::MUndoClick);
    onItem(MRedo, &TMainForm::MRedoClick);
    onItem(MCut, &TMainForm::MCutClick);
    onItem(MCopy, &TMainForm::MCopyClick);
    onItem(MPaste, &TMainForm::MPasteClick);
    onItem(MNormalize, &TMainForm::MNormalizeClick);
    connect(ZoomGroup, &QActionGroup::triggered, this, &TMainForm::MZoomClick);
    // The Control menu and the pop-up menu run the transport commands.
    onItem(MPlay, &TMainForm::CButtonPlayClick);
    onItem(MPlayFromHere, &TMainForm::CButtonPlayFromHereClick);
    onItem(MPause, &TMainForm::CButtonPauseClick);
    onItem(MStop, &TMainForm::CButtonStopClick);
    onItem(MSetStart, &TMainForm::CButtonSetStartClick);
    onItem(MSetFinish, &TMainForm::CButtonSetFinishClick);
    onItem(MPopSetStart, &TMainForm::CButtonSetStartClick);
    onItem(MPopSetFinish, &TMainForm::CButtonSetFinishClick);
    onItem(MPopPlayFromHere, &TMainForm::CButtonPlayFromHereClick);
    onItem(MPopSelectAll, &TMainForm::MSelectAllClick);
    onItem(MHelp, &TMainForm::MHelpClick);
    onItem(MHome, &TMainForm::MHomeClick);
    onItem(MAbout, &TMainForm::MAboutClick);
    connectKeys();
}

}  // namespace tw
