// Preview in the effects' dialog: the offered values' buttons, the Preview
// button, and the sound it plays (made from the dialog's values, played
// through the output Play uses, the document left as it is).
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>

#include <charconv>

#include "app/MainFormTexts.h"
#include "app/TMainForm.h"
#include "core/Progress.h"
#include "edit/Effects.h"
#include "ui/TEffectForm.h"

namespace tw {

namespace {
constexpr double kPreviewSeconds = 5.0;
}

void TMainForm::addEffectButtons(TEffectForm& form)
{
    const Effect& effect = form.effect();
    for (std::size_t i = 0; i < effect.params.size(); ++i)
        for (const double value : effect.params[i].offered) {
            char text[64];
            const auto end = std::to_chars(text, text + sizeof text, value).ptr;
            const QString caption = QString::fromUtf8(text, static_cast<int>(end - text)) + QLatin1Char(' ') +
                                    QString::fromUtf8(effect.params[i].unit);
            QPushButton* button = form.addButton(caption.trimmed(), "ButtonOffered");
            connect(button, &QPushButton::clicked, &form, [&form, i, value] {
                std::vector<double> values = form.values();
                values.at(i) = value;
                form.setValues(values);
            });
        }
    if (!effect.preview)
        return;
    QPushButton* preview = form.addButton(QString::fromUtf8(MainFormTexts::kButtonPreview), "ButtonPreview");
    connect(preview, &QPushButton::clicked, this, [this, &form] { previewClick(form); });
    // A changed value stops what plays.
    for (QWidget* field : form.Fields) {
        if (auto* spin = qobject_cast<QDoubleSpinBox*>(field))
            connect(spin, &QDoubleSpinBox::valueChanged, this, [this] { stopPreview(); });
        else if (auto* list = qobject_cast<QComboBox*>(field))
            connect(list, &QComboBox::currentIndexChanged, this, [this] { stopPreview(); });
    }
}

bool TMainForm::previewPlaying() const
{
    return previewStream_ != 0 && BASS_ChannelIsActive(previewStream_) == BASS_ACTIVE_PLAYING;
}

void TMainForm::stopPreview()
{
    if (previewStream_ != 0) {
        BASS_ChannelStop(previewStream_);
        BASS_StreamFree(previewStream_);
        previewStream_ = 0;
    }
    previewSound_.reset();  // removes its file
}

void TMainForm::previewClick(const TEffectForm& form)
{
    const bool wasPlaying = previewPlaying();
    stopPreview();
    if (wasPlaying)
        return;
    const Effect& effect = form.effect();
    EffectInput input;
    input.values = form.values();
    input.at = previewAt_;
    SilentProgress progress;
    previewSound_ = effect.preview(*this, input, kPreviewSeconds, progress);
    if (!previewSound_)
        return;
    previewStream_ = BASS_StreamCreateFile(FALSE, previewSound_->path.c_str(), 0, 0, 0);
    if (previewStream_ != 0)
        BASS_ChannelPlay(previewStream_, TRUE);
}

}  // namespace tw
