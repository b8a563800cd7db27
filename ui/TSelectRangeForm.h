// Asks for the selection as Start, End and Length, each as HH:MM:SS.mmm or
// as frames.
#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>
#include <utility>

#include "core/FrameText.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tw {

class TSelectRangeForm final : public QDialog {
    Q_OBJECT
public:
    explicit TSelectRangeForm(QWidget* parent);

    // Its own texts, shown where a language file has none.
    static constexpr auto kCaption = "Select Range";
    static constexpr auto kStart = "Start:";
    static constexpr auto kEnd = "End:";
    static constexpr auto kLength = "Length:";
    static constexpr auto kUnit = "Unit:";
    static constexpr auto kUnitTime = "HH:MM:SS.mmm";
    static constexpr auto kUnitFrames = "Frames";

    QLabel* Label1;
    QLineEdit* EditStart;
    QLabel* Label2;
    QLineEdit* EditEnd;
    QLabel* Label3;
    QLineEdit* EditLength;
    QLabel* Label4;
    QComboBox* ComboUnit;  // time, frames
    QFrame* Bevel1;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;

    // The fields filled from a selection of a sound of frameCount frames.
    void setRange(std::uint64_t start, std::uint64_t end, std::uint32_t rate, std::uint64_t frameCount);
    // The frames the fields name: End, or Start + Length when Length was
    // typed last; nothing while they name no range within the sound.
    std::optional<std::pair<std::uint64_t, std::uint64_t>> range() const;

    void reject() override;

private:
    FrameUnit unit() const;
    void showRange(std::uint64_t start, std::uint64_t end);
    void unitChanged();
    void edited();

    std::uint32_t rate_ = 0;
    std::uint64_t frameCount_ = 0;
    bool lengthLast_ = false;  // Length was typed after End
    FrameUnit shown_ = FrameUnit::Time;
};

}  // namespace tw
