#include "ui/TRecordForm.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

#include "core/StatusText.h"
#include "ui/Captions.h"
#include "ui/FormStyle.h"
#include "ui/ModalResult.h"
#include "ui/PaintBox.h"

namespace tw {

namespace {

constexpr int kTickMs = 50;
constexpr int kSilentTicks = 5000 / kTickMs;
constexpr int kSilentPeak = 33;  // below -60 dB full scale
constexpr int kClipWidth = 8;

}  // namespace

TRecordForm::TRecordForm(QWidget* parent, Messenger& messages, std::string workPath, RecordOptions options)
    : QDialog(parent),
      Label1(new QLabel(this)),
      ComboInput(new QComboBox(this)),
      Label2(new QLabel(this)),
      ComboRate(new QComboBox(this)),
      Label3(new QLabel(this)),
      ComboChannels(new QComboBox(this)),
      Meter(new PaintBox(this)),
      Label4(new QLabel(this)),
      TimeRecorded(new QLabel(this)),
      Label5(new QLabel(this)),
      TimeLeft(new QLabel(this)),
      Label6(new QLabel(this)),
      Overruns(new QLabel(this)),
      SilentNote(new QLabel(this)),
      ButtonRecord(new QPushButton(this)),
      ButtonPause(new QPushButton(this)),
      ButtonStop(new QPushButton(this)),
      ButtonCancel(new QPushButton(this)),
      Timer(new QTimer(this)),
      messages_(messages),
      workPath_(std::move(workPath)),
      options_(std::move(options))
{
    setObjectName("RecordForm");
    setUpDialog(*this, 361, 252, true);
    setWindowCaption(*this, kCaption);
    const std::pair<QWidget*, const char*> names[] = {
        {Label1, "Label1"}, {ComboInput, "ComboInput"}, {Label2, "Label2"}, {ComboRate, "ComboRate"},
        {Label3, "Label3"}, {ComboChannels, "ComboChannels"}, {Meter, "Meter"}, {Label4, "Label4"},
        {TimeRecorded, "TimeRecorded"}, {Label5, "Label5"}, {TimeLeft, "TimeLeft"}, {Label6, "Label6"},
        {Overruns, "Overruns"}, {SilentNote, "SilentNote"}, {ButtonRecord, "ButtonRecord"},
        {ButtonPause, "ButtonPause"}, {ButtonStop, "ButtonStop"}, {ButtonCancel, "ButtonCancel"}};
    for (const auto& [widget, name] : names)
        widget->setObjectName(name);

    for (const std::string& name : audio::inputDeviceNames())
        ComboInput->addItem(QString::fromStdString(name));
    ComboRate->addItem(QStringLiteral("44100 Hz"), 44100);
    ComboRate->addItem(QStringLiteral("48000 Hz"), 48000);
    ComboChannels->addItem(kMono, 1);
    ComboChannels->addItem(kStereo, 2);
    ComboChannels->setCurrentIndex(1);
    for (QLabel* label : {Label1, Label2, Label3})
        label->setBuddy(label == Label1 ? static_cast<QWidget*>(ComboInput)
                                        : label == Label2 ? static_cast<QWidget*>(ComboRate) : ComboChannels);
    setCaption(*Label1, kInput);
    setCaption(*Label2, kRate);
    setCaption(*Label3, kChannels);
    setCaption(*Label4, kRecorded);
    setCaption(*Label5, kLeft);
    setCaption(*Label6, kOverruns);
    SilentNote->setText(kSilent);
    SilentNote->setStyleSheet(QStringLiteral("color: #b00000"));
    SilentNote->setVisible(false);
    setCaption(*ButtonRecord, kRecord);
    setCaption(*ButtonPause, kPause);
    setCaption(*ButtonStop, kStop);
    setCaption(*ButtonCancel, kCancel);
    Meter->setAccessibleName(kLevelMeter);

    placeRow(*Label1, *ComboInput, 16, 96, 249, 21);
    placeRow(*Label2, *ComboRate, 44, 96, 113, 21);
    placeRow(*Label3, *ComboChannels, 72, 96, 113, 21);
    place(*Meter, 16, 106, 151 + 4 + kClipWidth, 17);
    placeRow(*Label4, *TimeRecorded, 134, 96, 113, 17);
    placeRow(*Label5, *TimeLeft, 156, 96, 113, 17);
    placeRow(*Label6, *Overruns, 178, 96, 113, 17);
    place(*SilentNote, 184, 106, 161, 17);
    int x = 16;
    for (QPushButton* button : {ButtonRecord, ButtonPause, ButtonStop, ButtonCancel}) {
        place(*button, x, 212, 75, 25);
        x += 84;
    }
    ButtonRecord->setDefault(true);

    Meter->onPaint = [this](QPainter& painter) {
        painter.fillRect(Meter->rect(), Qt::black);
        painter.drawImage(0, 0, meter_.image());
        painter.fillRect(QRect(151 + 4, 0, kClipWidth, 17), clipped_ ? QColor(255, 0, 0) : QColor(72, 72, 72));
    };
    // A press on the meter puts the clip mark out again.
    Meter->onMouseDown = [this](QMouseEvent&) {
        clipped_ = false;
        Meter->update();
    };
    connect(ComboInput, &QComboBox::activated, this, [this] { reopen(); });
    connect(ComboRate, &QComboBox::activated, this, [this] { reopen(); });
    connect(ComboChannels, &QComboBox::activated, this, [this] { reopen(); });
    connect(ButtonRecord, &QPushButton::clicked, this, &TRecordForm::ButtonRecordClick);
    connect(ButtonPause, &QPushButton::clicked, this, &TRecordForm::ButtonPauseClick);
    connect(ButtonStop, &QPushButton::clicked, this, &TRecordForm::ButtonStopClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TRecordForm::reject);
    connect(Timer, &QTimer::timeout, this, &TRecordForm::tick);
    Timer->setInterval(kTickMs);
    TimeRecorded->setText(QString::fromStdString(durationText(0)));
    TimeLeft->setText(QStringLiteral("--:--:--"));
    Overruns->setText(QStringLiteral("0"));
}

TRecordForm::~TRecordForm() = default;

bool TRecordForm::openInput()
{
    if (ComboInput->count() == 0) {
        messages_.inform(kMsgNoInputDevice);
        return false;
    }
    format_ = {ComboInput->currentText().toStdString(), std::uint32_t(ComboRate->currentData().toInt()),
               std::uint32_t(ComboChannels->currentData().toInt())};
    recording_ = Recording::open(format_, messages_);
    if (!recording_)
        return false;
    updateButtons();
    Timer->start();
    return true;
}

void TRecordForm::widenFields()
{
    for (QLabel* field : {TimeRecorded, TimeLeft, Overruns})
        field->setGeometry(field->x(), field->y(), std::max(width() - field->x() - 16, 1), field->height());
}

void TRecordForm::reopen()
{
    if (!recording_ || recording_->started())
        return;
    const RecordFormat wanted{ComboInput->currentText().toStdString(),
                              std::uint32_t(ComboRate->currentData().toInt()),
                              std::uint32_t(ComboChannels->currentData().toInt())};
    recording_.reset();
    auto opened = Recording::open(wanted, messages_);
    if (!opened) {
        // Back to the input that worked: nothing else changes.
        ComboInput->setCurrentText(QString::fromStdString(format_.device));
        ComboRate->setCurrentIndex(ComboRate->findData(int(format_.rate)));
        ComboChannels->setCurrentIndex(ComboChannels->findData(int(format_.channels)));
        opened = Recording::open(format_, messages_);
    } else {
        format_ = wanted;
    }
    recording_ = std::move(opened);
    updateButtons();
}

void TRecordForm::updateButtons()
{
    const bool open = recording_ != nullptr;
    const bool started = open && recording_->started();
    const bool running = started && recording_->status().end == RecordEnd::Running;
    for (QComboBox* box : {ComboInput, ComboRate, ComboChannels})
        box->setEnabled(open && !started);
    ButtonRecord->setEnabled(open && (!started || (running && recording_->paused())));
    ButtonPause->setEnabled(running && !recording_->paused());
    ButtonStop->setEnabled(started);
}

void TRecordForm::ButtonRecordClick()
{
    if (!recording_)
        return;
    if (recording_->started()) {
        recording_->resume();
    } else if (!recording_->start(workPath_, options_)) {
        messages_.inform(kMsgRecordNotWritten);
        return;
    } else if (onStarted) {
        onStarted(static_cast<std::uint32_t>(recording_->input().rate()),
                  static_cast<std::uint32_t>(recording_->input().channels()));
    }
    updateButtons();
}

void TRecordForm::ButtonPauseClick()
{
    if (recording_ && recording_->started())
        recording_->pause();
    updateButtons();
}

void TRecordForm::ButtonStopClick()
{
    if (recording_ && recording_->started())
        finish(RecordEnd::Stopped);
}

void TRecordForm::finish(RecordEnd why)
{
    if (finishing_)
        return;
    finishing_ = true;
    Timer->stop();
    result_ = recording_->stop();
    recording_.reset();  // the input closes
    if (why == RecordEnd::Limit)
        messages_.inform(kMsgRecordLimit);
    else if (why == RecordEnd::DiskFull)
        messages_.inform(kMsgRecordDiskFull);
    done(mrOk);
}

void TRecordForm::reject()
{
    if (finishing_)
        return;
    if (recording_ && recording_->started() && recording_->status().frames > 0 &&
        messages_.show({discardPrompt.toStdString(), windowTitle().toStdString(), MsgIcon::Question,
                        MsgButtons::YesNo}) != MsgResult::Yes)
        return;
    Timer->stop();
    if (recording_)
        recording_->discard();
    recording_.reset();
    done(mrCancel);
}

void TRecordForm::tick()
{
    if (!recording_)
        return;
    const auto peaks = recording_->input().takePeaks();
    meter_.Draw(peaks.left * 100 / 32768, peaks.right * 100 / 32768, kPlaying);
    clipped_ = clipped_ || peaks.clipped;
    silentTicks_ = std::max(peaks.left, peaks.right) < kSilentPeak ? silentTicks_ + 1 : 0;
    SilentNote->setVisible(silentTicks_ >= kSilentTicks);
    Meter->update();
    if (!recording_->started())
        return;
    const RecordStatus status = recording_->status();
    const auto rate = std::uint64_t(format_.rate);
    TimeRecorded->setText(QString::fromStdString(durationText(std::uint32_t(status.frames / rate))));
    TimeLeft->setText(QString::fromStdString(durationText(std::uint32_t(status.framesLeft / rate))));
    Overruns->setText(QString::number(status.overruns) +
                      (status.lostFrames > 0 ? QStringLiteral(" (%1)").arg(status.lostFrames) : QString()));
    if (status.end != RecordEnd::Running)
        finish(status.end);
}

}  // namespace tw
