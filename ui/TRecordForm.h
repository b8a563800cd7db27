// The Record window: the input, its rate and channels, a level meter with a
// peak hold and a clip mark, the time recorded and the time left, the
// overruns, and Record, Pause, Stop and Cancel. The input runs from the
// window's showing, so the meter moves before Record; the frames go straight
// into the work file.
#pragma once

#include <functional>

#include <QDialog>

#include <memory>
#include <string>

#include "core/Messages.h"
#include "document/Recording.h"
#include "view/TVolume.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace tw {

class PaintBox;

class TRecordForm final : public QDialog {
    Q_OBJECT
public:
    // Its own texts, shown where a language file has none.
    static constexpr auto kCaption = "Record";
    static constexpr auto kInput = "Input:";
    static constexpr auto kRate = "Rate:";
    static constexpr auto kChannels = "Channels:";
    static constexpr auto kMono = "Mono";
    static constexpr auto kStereo = "Stereo";
    static constexpr auto kRecorded = "Recorded:";
    static constexpr auto kLeft = "Time left:";
    static constexpr auto kOverruns = "Overruns:";
    static constexpr auto kSilent = "No sound is coming in";
    static constexpr auto kRecord = "Record";
    static constexpr auto kPause = "Pause";
    static constexpr auto kStop = "Stop";
    static constexpr auto kCancel = "Cancel";
    static constexpr auto kDiscardPrompt = "Throw the recording away?";
    static constexpr auto kLevelMeter = "Level meter";

    // Messages go through messages; the recording goes to workPath.
    TRecordForm(QWidget* parent, Messenger& messages, std::string workPath, RecordOptions options = {});
    ~TRecordForm() override;

    // Opens the default input; false after a message (the window is not to
    // be shown).
    bool openInput();

    QLabel* Label1;  // input
    QComboBox* ComboInput;
    QLabel* Label2;  // rate
    QComboBox* ComboRate;
    QLabel* Label3;  // channels
    QComboBox* ComboChannels;
    PaintBox* Meter;
    QLabel* Label4;  // recorded
    QLabel* TimeRecorded;
    QLabel* Label5;  // time left
    QLabel* TimeLeft;
    QLabel* Label6;  // overruns
    QLabel* Overruns;
    QLabel* SilentNote;
    QPushButton* ButtonRecord;
    QPushButton* ButtonPause;
    QPushButton* ButtonStop;
    QPushButton* ButtonCancel;
    QTimer* Timer;
    QString discardPrompt = kDiscardPrompt;

    // After fitLabels: the fields whose text changes reach to the right margin.
    void widenFields();

    // Called once the recording has begun writing the work file, with its
    // rate and channel count.
    std::function<void(std::uint32_t rate, std::uint32_t channels)> onStarted;

    // After Stop (the window's result mrOk): how the recording ended.
    RecordStatus result() const { return result_; }

    void ButtonRecordClick();
    void ButtonPauseClick();
    void ButtonStopClick();
    // Cancel and the close box: a question when anything was recorded.
    void reject() override;
    // One meter and status step (the timer's, 20 a second).
    void tick();

private:
    void reopen();
    void finish(RecordEnd why);
    void updateButtons();

    Messenger& messages_;
    std::string workPath_;
    RecordOptions options_;
    std::unique_ptr<Recording> recording_;
    RecordFormat format_;
    RecordStatus result_;
    TVolume meter_{151, 17};
    bool clipped_ = false;
    int silentTicks_ = 0;
    bool finishing_ = false;
};

}  // namespace tw
