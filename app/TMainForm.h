// The main window: owns the document state, the seven dialogs, the
// clipboard and every command control.
#pragma once

#include <QImage>
#include <QMainWindow>

#include <array>
#include <functional>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/DocumentState.h"
#include "core/Messages.h"
#include "core/PrivateTempDir.h"
#include "core/StepLog.h"
#include "core/TerminationSignals.h"
#include "edit/Clipboard.h"
#include "edit/EditBody.h"
#include "edit/UndoJournal.h"
#include "document/Recording.h"
#include "document/WaveHeader.h"
#include "i18n/LanguageText.h"
#include "i18n/Settings.h"
#include "ui/PaintBox.h"
#include "ui/Prompter.h"
#include "view/TSpectrum.h"
#include "view/TVolume.h"

class QAction;
class QMouseEvent;
class QWheelEvent;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QScrollArea;
class QStatusBar;
class QTimer;
class QToolButton;

namespace tw {

class WindowProgress;

class TAboutForm;
class TOpenForm;
class TProcessForm;
class TReloadForm;
class TSaveForm;
class TVolumeForm;
class TNormalizeForm;
class TSelectRangeForm;
class TRecordForm;
class TEffectForm;
class TStatisticsForm;
struct Effect;

// What a test may set before the window is built.
struct TMainFormOptions {
    // The command line, program first; empty: the application's own.
    std::optional<std::vector<std::string>> arguments;
    Prompter::MessageHook messageHook;
    Prompter::FileHook fileHook;
    std::string tempBase;  // where the private temporary directory goes; empty: the system's
    std::uint64_t workFileLimit = kMaxWorkFileBytes;  // the open keeps at most this much
    std::string lameLibrary = "libmp3lame.so.0";       // the MP3 encoder's file name
    std::string wmaWriter;  // path of the WMA writer module; empty: beside the program
    // Where the language files and the settings file are; empty: as the program's folder says.
    std::optional<DataPaths> dataPaths;
    std::string locale;  // the user's locale ("ll_CC"); empty: the system's
    // Opens a document or address with the desktop's handler; empty: QDesktopServices.
    std::function<void(const QString&)> openAddress;
    // The audio library's start; empty: BASS_GetVersion and BASS_Init.
    std::function<DWORD()> audioVersion;
    std::function<BOOL(int device)> audioInit;
    // Free bytes where the undo journal goes; empty: the file system's answer.
    UndoJournal::FreeSpace journalSpace;
    // The recording's limit and disk look (the Record window).
    RecordOptions record;
};

// A file dialog's filter, 1-based chosen entry and proposed file name.
struct FileDialogSetting {
    std::string filter;
    int filterIndex = 1;
    std::string fileName;
};

class TMainForm final : public QMainWindow, public DocumentState, public Messenger {
    Q_OBJECT
public:
    explicit TMainForm(TMainFormOptions options = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Messenger: every message box of the program goes through here.
    MsgResult show(const MessageRequest& request) override;
    using QMainWindow::show;
    std::optional<FileDialogChoice> fileDialog(const FileDialogRequest& request);
    Prompter& prompter() { return prompter_; }

    // The program is ending: a long step under way leaves at its next block.
    void abandonLongSteps();
    // A logout or shutdown ends the program: with unsaved changes the private
    // folder stays, with the state written, for the next start to offer the
    // document back. True when it stays: the caller then ends the process
    // without removing it.
    bool keepUnsavedWork();
    // After the main loop: a logout or shutdown that keeps unsaved work ends
    // the process here, the folder and everything in it left as they are.
    void endRunOnLogout(const TerminationSignals& termination);

    // Sets playState, enables the commands for it and, in states 0 and 1,
    // rewrites the status bar.
    void UpdateControls(std::int32_t state);

    // Event handlers.
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormResize();
    // False when the window must stay open (the document was kept).
    bool FormClose();
    void FormDestroy();
    void Timer1Timer();

    // Commands (toolbar, transport, menus).
    void ButtonOpenClick();
    void ButtonCloseClick();
    void ButtonSaveClick();
    void ButtonSaveAsClick();
    void ButtonDeleteClick();
    void ButtonCutOutClick();
    void ButtonVolumeClick();
    void ButtonFadeInClick();
    void ButtonFadeOutClick();
    void MUndoClick();
    void MRedoClick();
    void MCutClick();
    void MCopyClick();
    void MPasteClick();
    void MNormalizeClick();
    void MSaveSelectionClick();
    void ButtonZoomInClick();
    void ButtonZoomOutClick();
    void ButtonHelpClick();
    void ButtonUpdateClick();
    void CButtonPlayClick();
    void CButtonPlayFromHereClick();
    void CButtonPauseClick();
    void CButtonStopClick();
    void CButtonSetStartClick();
    void CButtonSetFinishClick();
    void MOpenClick() { ButtonOpenClick(); }
    // Record: the close sequence, then the Record window; a stopped
    // recording becomes the document, modified and without a name.
    void MRecordClick();
    // Test hook: runs with the Record window just before it is shown.
    std::function<void(TRecordForm&)> onRecordShown;
    void MCloseClick() { ButtonCloseClick(); }
    void MSaveClick() { ButtonSaveClick(); }
    void MSaveAsClick() { ButtonSaveAsClick(); }
    void MExitClick();
    void MSelectAllClick();
    // Select Range: the markers to the frames typed in a TSelectRangeForm,
    // made for the one question in the language's texts and font.
    void MSelectRangeClick();
    // Test hook: runs with the dialog just before it is shown.
    std::function<void(TSelectRangeForm&)> onSelectRangeShown;
    void MDeleteClick() { ButtonDeleteClick(); }
    void MCutOutClick() { ButtonCutOutClick(); }
    void MVolumeClick() { ButtonVolumeClick(); }
    void MFadeInClick() { ButtonFadeInClick(); }
    void MFadeOutClick() { ButtonFadeOutClick(); }
    void MZoomClick(QAction* item);
    // Zoom to Fit: the whole sound in the visible width; Zoom to Selection:
    // the selection in it. Both keep the markers and the cursor in time.
    void MZoomFitClick();
    void MZoomSelectionClick();
    // A level of the ladder, keeping the markers and the cursor in time and
    // anchorFrame at viewport column anchorX.
    void zoomTo(std::uint32_t level, std::uint64_t anchorFrame, int anchorX);
    // An Effects menu item: its dialog when it has parameters, then its body
    // under ProcessForm as one edit (Statistics: its window, no edit).
    void MEffectClick(const Effect& effect);
    // Preview in an effect's dialog: up to five seconds from the range's start
    // with the effect as the dialog's values stand, through the output Play
    // uses; a press while it plays stops it.
    void previewClick(const TEffectForm& form);
    void stopPreview();
    bool previewPlaying() const;
    // Test hooks: run with the dialogs just before they are shown.
    std::function<void(TEffectForm&)> onEffectFormShown;
    std::function<void(TStatisticsForm&)> onStatisticsShown;
    void MHelpClick() { ButtonHelpClick(); }
    void MHomeClick() { ButtonUpdateClick(); }
    void MAboutClick();

    // The open sequence from the extension test on, for sourcePath.
    void OpenSourceFile();
    // A file dropped on the window: opened as from the command line, after
    // the close sequence when a document is open (and only if it closed).
    void OpenDroppedFile(const std::string& path);

    // The waveform view: draws the visible part of the strip into waveBitmap
    // and shows it; pauses when the cursor stands on a marker column.
    void PaintBox1Paint();
    void PaintBox1MouseDown(const QMouseEvent& event);
    void PaintBox1MouseUp(const QMouseEvent& event);
    // With the left button down: a drag from the press sets the markers.
    void PaintBox1MouseMove(const QMouseEvent& event);
    // A wheel turn over the waveform: the strip scrolls sideways; with Ctrl
    // held each notch runs Zoom In (away from the user) or Zoom Out. True
    // when the turn was taken.
    bool WaveWheel(const QWheelEvent& event);

    // The close sequence: false when the document stays open (Cancel in the
    // save prompt, or a save that did not complete).
    bool CloseDocument();
    // The save behind Save and the close's Yes: true when it completed. A
    // document of which only a part was opened is saved under a new name, so
    // that the rest of its source is never overwritten.
    bool SaveDocument();
    bool SaveDocumentAs();
    // Writes the range between the markers to a file the user names; the
    // document, its name and its saved state stay as they are. True when the
    // file was written.
    bool SaveSelectionAs();
    // Copies the language texts onto the controls.
    void ApplyLanguage();
    // A Language menu item was chosen.
    void LanguageClick(QAction* item);

    // Controls, under their names.
    QFrame* Panel1 = nullptr;
    QToolButton* ButtonOpen = nullptr;
    QToolButton* ButtonClose = nullptr;
    QToolButton* ButtonSave = nullptr;
    QToolButton* ButtonSaveAs = nullptr;
    QToolButton* ButtonDelete = nullptr;
    QToolButton* ButtonCutOut = nullptr;
    QToolButton* ButtonVolume = nullptr;
    QToolButton* ButtonFadeIn = nullptr;
    QToolButton* ButtonFadeOut = nullptr;
    QToolButton* ButtonZoomIn = nullptr;
    QToolButton* ButtonZoomOut = nullptr;
    QToolButton* ButtonHelp = nullptr;
    QToolButton* ButtonUpdate = nullptr;
    QLabel* CppWebBrowser1 = nullptr;  // the banner
    QScrollArea* ScrollBox1 = nullptr;
    QWidget* ScrollBox1Contents = nullptr;
    PaintBox* PaintBox1 = nullptr;
    QFrame* ControlBar1 = nullptr;
    QFrame* CoolBar1 = nullptr;
    PaintBox* PaintBox2 = nullptr;
    PaintBox* PaintBox3 = nullptr;
    QToolButton* CButtonPlay = nullptr;
    QToolButton* CButtonPlayFromHere = nullptr;
    QToolButton* CButtonPause = nullptr;
    QToolButton* CButtonStop = nullptr;
    QToolButton* CButtonSetStart = nullptr;
    QToolButton* CButtonSetFinish = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusSelection = nullptr;  // the selection's start, end and length while a document is open
    std::array<QLabel*, 3> StatusPanels{};

    QMenu* MenuFile = nullptr;
    QAction* MOpen = nullptr;
    QAction* MRecord = nullptr;
    QAction* MClose = nullptr;
    QAction* MSave = nullptr;
    QAction* MSaveAs = nullptr;
    QAction* MSaveSelection = nullptr;
    QAction* MExit = nullptr;
    QMenu* MenuEdit = nullptr;
    QAction* MSelectAll = nullptr;
    QAction* MSelectRange = nullptr;
    QAction* MDelete = nullptr;
    QAction* MCutOut = nullptr;
    QAction* MVolume = nullptr;
    QAction* MFadeIn = nullptr;
    QAction* MFadeOut = nullptr;
    QAction* MUndo = nullptr;
    QAction* MRedo = nullptr;
    QAction* MCut = nullptr;
    QAction* MCopy = nullptr;
    QAction* MPaste = nullptr;
    QAction* MNormalize = nullptr;
    QMenu* MenuEffects = nullptr;
    // The Effects menu's items, one per entry of the effect table, in its order.
    std::vector<QAction*> effectItems;
    // What Preview plays, while its dialog is open.
    HSTREAM previewStream_ = 0;
    std::shared_ptr<const ClipSound> previewSound_;
    std::uint64_t previewAt_ = 0;  // where an inserting effect's dialog puts its sound
    QMenu* MenuZoom = nullptr;
    QActionGroup* ZoomGroup = nullptr;
    QAction* MZoom10 = nullptr;
    QAction* MZoom8 = nullptr;
    QAction* MZoom6 = nullptr;
    QAction* MZoom4 = nullptr;
    QAction* MZoom2 = nullptr;
    QAction* MZoom1 = nullptr;
    QAction* MZoomFit = nullptr;
    QAction* MZoomSelection = nullptr;
    QMenu* MenuControl = nullptr;
    QAction* MPlay = nullptr;
    QAction* MPlayFromHere = nullptr;
    QAction* MPause = nullptr;
    QAction* MStop = nullptr;
    QAction* MSetStart = nullptr;
    QAction* MSetFinish = nullptr;
    QMenu* MenuLanguage = nullptr;
    QMenu* MenuHelp = nullptr;
    QAction* MHelp = nullptr;
    QAction* MHome = nullptr;
    QAction* MAbout = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* MPopSetStart = nullptr;
    QAction* MPopSetFinish = nullptr;
    QAction* MPopPlayFromHere = nullptr;
    QAction* MPopSelectAll = nullptr;
    QTimer* Timer1 = nullptr;
    FileDialogSetting OpenDialog1;
    FileDialogSetting SaveDialog1;

    // The seven dialogs, created after the main window in this order.
    TOpenForm* OpenForm = nullptr;
    TReloadForm* ReloadForm = nullptr;
    TSaveForm* SaveForm = nullptr;
    TAboutForm* AboutForm = nullptr;
    TProcessForm* ProcessForm = nullptr;
    TVolumeForm* VolumeForm = nullptr;
    TNormalizeForm* NormalizeForm = nullptr;

    // The selected language file and its texts; the help document it names.
    std::string languageFile;
    LanguageText languageIni;
    std::string helpFile;
    std::string adSetting;  // the settings' Ad switch
    std::string adMoviePath;  // the banner written out to tempDir; empty when switched off
    DataPaths paths;
    // Off-screen waveform image, 221 rows high: the visible part of the strip,
    // which starts at column waveBitmapColumn (10 wide with no document).
    QImage waveBitmap;
    std::uint32_t waveBitmapColumn = 0;
    // The spectrum display, the level meter and the FFT data they are fed.
    std::unique_ptr<TSpectrum> spectrum;
    std::unique_ptr<TVolume> levelMeter;
    std::array<float, TSpectrum::kFftSize> fftBuffer{};

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    // The Effects menu from the effect table; its enabling; its texts.
    void buildEffectsMenu();
    void updateEffectItems(bool doc);
    void applyEffectsLanguage();
    void applyLanguage(TEffectForm& form);
    // The dialog's buttons for the offered values and Preview.
    void addEffectButtons(TEffectForm& form);
    void applyLanguage(TStatisticsForm& form);
    void buildToolbar();
    // The toolbar's captions in the window's font (narrowed for a substitute face).
    void setToolbarFont();
    void buildWaveArea();
    void buildControlBar();
    void buildStatusBar();
    void connectCommands();
    // Keys that run commands: each does what its command does, and nothing
    // while the command is disabled.
    void connectKeys();
    // The edits: playback stopped and the stream released before, the body
    // under ProcessForm, then a new stream, the view and the stopped state.
    void stopAndRelease();
    template <class Thread>
    void runEdit(const EditPass& pass);
    // The same for a body that is more than one pass (Cut, Paste, Normalize).
    template <class Thread>
    void runEdit(const std::function<EditResult(WindowProgress&)>& body);
    template <class Thread>
    void runUnderProcessForm(const std::function<void(WindowProgress&)>& body);
    // A new stream, the view and the stopped state after an edit, Undo or Redo.
    void afterEdit();
    // The export under SaveForm; true when the target now holds the document,
    // or with part only the range of the work file it names (Save Selection As).
    bool exportTo(const std::string& target, const char* caption, const EditRange* part = nullptr);
    // The save dialog until a name is chosen, with the overwrite question.
    // remember: the choice is proposed by the next dialog.
    std::optional<std::string> chooseSaveTarget(bool remember);
    // Moves the play position to the start of column (Home, End).
    void moveCursorToColumn(std::uint32_t column);
    void openAddress(const QString& address);
    // The application-wide look at mouse presses: true swallows a right press
    // on the banner; a left click on it (press and release inside) opens the
    // home page.
    bool bannerTakes(QObject* watched, QEvent* event);
    void setStatusTexts(const std::array<std::string, 3>& texts);
    // The selection's start, end and length in StatusSelection (empty without a document).
    void showSelection();
    // The language's texts on a Select Range dialog.
    void applyLanguage(TSelectRangeForm& form);
    void applyLanguage(TRecordForm& form);
    // Places PaintBox1 in its scroll box at the given width.
    void setPaintBoxWidth(int width);
    // Steps 7 to 11 of the open: the completed open becomes the document.
    void showOpenedDocument();
    // Step 9 of the start: settings, language menu, banner.
    void CreateMeters();  // step 5: spectrum and level meter
    void ReadSettings();
    void BuildLanguageMenu();
    void LoadBanner();
    std::vector<std::string> commandLine() const;
    // The view: the visible columns drawn into waveBitmap; returns the cursor column.
    std::uint32_t renderWave();
    std::uint32_t firstVisibleColumn() const;
    void markerStop(std::uint32_t cursorColumn);
    // Moves the play position to the column under x (a press or release in the wave area).
    bool moveCursorTo(const QMouseEvent& event, Qt::MouseButton button);
    // The column of the strip under a point of the scroll box's viewport,
    // within the strip.
    std::uint32_t columnAt(QPoint inViewport) const;
    // The drag's markers for the pointer at a point of the viewport; scrolls
    // the strip when the pointer is beside its visible part.
    void dragTo(QPoint inViewport);
    // The cursor's column (the play position).
    std::uint32_t cursorColumn() const;
    // The cursor's frame: the frame End or a paste put it before while the
    // player still stands where they put it, else its column's first frame.
    std::uint64_t cursorFrame() const;
    // Puts the cursor before frame; from the last frame on, after it (the
    // player then stands in the last column).
    void setCursorFrame(std::uint64_t frame);
    // The selection keys: the finish marker one column (or one frame) left
    // or right, never left of the start nor past the end of the sound; the
    // selection out to the start or to the end of the sound; a drag undone.
    void moveFinishMarker(int direction, bool oneFrame);
    void extendSelectionToStart();
    void extendSelectionToEnd();
    void cancelDrag();
    // The markers changed: the commands' enabling and the view follow.
    void markersMoved();
    // The zoom items, finest last, and their frames per column.
    std::array<std::pair<QAction*, std::uint32_t>, 6> zoomItems() const;
    // The check mark on the item of the zoom, or on none.
    void checkZoomItem();
    // The ladder for the document in the visible width.
    std::vector<std::uint32_t> ladder() const;
    // A Ctrl+wheel notch: finer (direction < 0) or coarser, at viewport column x.
    void wheelZoomStep(int direction, int x);
    // The overview at the present zoom under ReloadForm; false when it failed.
    bool reloadOverview();

    // Work kept for a restart (MainFormRecover.cpp): the step log and the
    // state file in the private folder, the question about documents that
    // runs which died left behind.
    void setUpRecovery();
    // The state file for the document as it stands, when it changed; none
    // without a document, and none while a step is under way.
    void writeRecoveryState();
    void forgetRecoveryState();
    // Asks about each folder left with unsaved work, newest first; true when
    // one was recovered into the window.
    bool offerLeftDocuments();
    bool recoverLeftDocument(const std::string& folder);
    std::unique_ptr<StepLog> stepLog_;
    std::string lastState_;  // the state file's text as last written, without its time
    bool leftDocumentsAsked_ = false;
    bool recordingUnderWay_ = false;  // the state file is the recording's
    bool terminating_ = false;        // a signal is ending the program
    // Save As proposes "Recording <date> <time>.wav" in the music folder.
    void proposeRecordingName();

    TMainFormOptions options_;
    Prompter prompter_;
    std::unique_ptr<PrivateTempDir> privateTemp_;
    bool audioStarted_ = false;
    bool shown_ = false;
    bool bannerPressed_ = false;    // the left button went down inside the banner
    bool waveBitmapFresh_ = false;  // drawn by PaintBox1Paint, not yet shown
    bool metersBlank_ = false;      // the displays show their black idle frame
    bool partOpened_ = false;       // only the start of the source could be opened
    UndoJournal journal_{options_.journalSpace};  // goes before the folder it lies in
    Clipboard clipboard_;  // in the private folder too; kept from one document to the next

    // A left press in the wave area, and the drag that may follow it.
    struct Drag {
        bool pressed = false;        // the left button went down in the wave area
        bool dragging = false;       // ... and has moved the drag distance since
        QPoint pressAt;              // where it went down, in the scroll box's viewport
        std::uint32_t anchor = 0;    // the marker column that stays while dragging
        QPoint pointer;              // the last pointer position seen, in the viewport
        FrameMark startBefore, finishBefore;        // the markers before the press
        std::uint32_t selStartBefore = 0, selFinishBefore = 0;
    } drag_;
    QTimer* dragScroll_ = nullptr;   // scrolls on while the pointer stays beside the strip
    int wheelZoom_ = 0;              // Ctrl+wheel eighths of a degree not yet used for a zoom step
    std::vector<std::int16_t> visibleLeft_, visibleRight_;  // the finer levels' peaks of what is drawn
    std::uint64_t cursorFrame_ = 0;  // see cursorFrame()
    QWORD cursorBytes_ = BASS_ERROR_QWORD;  // the play position cursorFrame_ was set with
    HSTREAM cursorStream_ = 0;              // ... on this stream
};

}  // namespace tw
