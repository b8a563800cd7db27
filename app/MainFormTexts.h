// The main window's built-in texts (language files replace the captions and
// hints; message boxes keep theirs).
#pragma once

namespace tw::MainFormTexts {

constexpr auto kTitle = "Tarnwick";

// The question at the start about a document that a run left with unsaved
// changes (the language file's [Recovery] section replaces them).
constexpr auto kRecoverIntro = "Tarnwick was closed while a document had changes that were not saved:";
constexpr auto kRecoverChanged = "Last changed:";
constexpr auto kRecoverLength = "Length:";
constexpr auto kRecoverAsk = "Recover it? Discard throws the changes away; Escape asks again at the next start.";
constexpr auto kRecover = "Recover";
constexpr auto kDiscard = "Discard";
constexpr auto kRecoverFailed = "The document could not be recovered. Its files stay in %1";
constexpr auto kHomePageAddress = "https://tarnwick.example.org/";

// Toolbar captions.
constexpr auto kButtonOpen = "Open";
constexpr auto kButtonClose = "Close";
constexpr auto kButtonSave = "Save";
constexpr auto kButtonSaveAs = "Save As";
constexpr auto kButtonDelete = "Delete";
constexpr auto kButtonCutOut = "Cut Out";
constexpr auto kButtonVolume = "Volume";
constexpr auto kButtonFadeIn = "Fade In";
constexpr auto kButtonFadeOut = "Fade Out";
constexpr auto kButtonZoomIn = "Zoom In";
constexpr auto kButtonZoomOut = "Zoom Out";
constexpr auto kButtonHelp = "Help";
constexpr auto kButtonUpdate = "Update";

// Transport hints; the pop-up menu shares the marker and play-from texts.
constexpr auto kPlay = "Play";
constexpr auto kPlayFromHere = "Play From Here";
constexpr auto kPause = "Pause";
constexpr auto kStop = "Stop";
constexpr auto kSetStart = "Set Start Marker";
constexpr auto kSetFinish = "Set Finish Marker";
constexpr auto kSelectAll = "Select All";
constexpr auto kMSelectRange = "Select Range ...";

// Menus.
constexpr auto kMenuFile = "&File";
constexpr auto kMOpen = "Open ...";
constexpr auto kMRecord = "Record ...";
constexpr auto kMClose = "Close";
constexpr auto kMSave = "Save";
constexpr auto kMSaveAs = "Save As ...";
constexpr auto kMSaveSelection = "Save Selection As ...";
constexpr auto kMExit = "Exit";
constexpr auto kUntitled = "Untitled";
constexpr auto kMenuEdit = "&Edit";
constexpr auto kMDelete = "Delete";
constexpr auto kMCutOut = "Cut Out";
constexpr auto kMVolume = "Volume";
constexpr auto kMFadeIn = "Fade In";
constexpr auto kMFadeOut = "Fade Out";
constexpr auto kMUndo = "Undo";
constexpr auto kMRedo = "Redo";
constexpr auto kMCut = "Cut";
constexpr auto kMCopy = "Copy";
constexpr auto kMPaste = "Paste";
constexpr auto kMNormalize = "Normalize";
constexpr auto kMenuEffects = "Effec&ts";
constexpr auto kButtonPreview = "Preview";
constexpr auto kMenuZoom = "&Zoom";
constexpr auto kMZoom10 = "10 : 1";
constexpr auto kMZoom8 = "8 : 1";
constexpr auto kMZoom6 = "6 : 1";
constexpr auto kMZoom4 = "4 : 1";
constexpr auto kMZoom2 = "2 : 1";
constexpr auto kMZoom1 = "1 : 1";
constexpr auto kMZoomFit = "Zoom to Fit";
constexpr auto kMZoomSelection = "Zoom to Selection";
constexpr auto kMenuControl = "&Control";
constexpr auto kMenuLanguage = "&Language";
constexpr auto kMenuHelp = "&Help";
constexpr auto kMHelp = "Help";
constexpr auto kMHome = "Home Page";
constexpr auto kMAbout = "About";

// Open and save dialog filter.
constexpr auto kFileFilter =
    "All Support Files(*.wav;*.mp3;*.wma)|*.wav;*.mp3;*.wma|WAV Files(*.wav)|*.wav|"
    "MP3 Files(*.mp3)|*.mp3|WMA Files(*.wma)|*.wma|All Files(*.*)|*.*";

// Accessible names of controls without text.
constexpr auto kToolbar = "Toolbar";
constexpr auto kWaveform = "Waveform";
constexpr auto kSpectrum = "Spectrum";
constexpr auto kLevelMeter = "Level meter";
constexpr auto kTransport = "Transport";
constexpr auto kBanner = "Banner";
constexpr auto kSelectionPanel = "Selection";

// Save As onto an existing file.
constexpr auto kOverwritePrompt = "This file already exists. Do you want to overwrite it?";
constexpr auto kOverwriteCaption = "Information";
constexpr auto kSaveCaption = "Save";
constexpr auto kSaveAsCaption = "Save As";
constexpr auto kSaveSelectionCaption = "Save Selection";
// Save Selection As onto the file the document came from: it would lose the
// rest of the sound while the document still counted as saved there.
constexpr auto kSelectionOntoSource =
    "This is the file the document was opened from. Save the selection under another name.";

// The close's question when the document has unsaved edits.
constexpr auto kSavePrompt = "File has been modified.\nDo you want to save the changes?";

// Message boxes at start.
constexpr auto kWrongVersion = "An incorrect version of BASS.DLL was loaded";
constexpr auto kNoDevice = "Can not start default recording device!";

}  // namespace tw::MainFormTexts
