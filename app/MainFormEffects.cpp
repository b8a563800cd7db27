// The Effects menu, built from the effect table: its items and their
// enabling, the parameter dialog, the effect as one edit under ProcessForm
// (playback stopped first), and the Statistics window (playback goes on).
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "app/MainFormTexts.h"
#include "app/TMainForm.h"
#include "core/WorkerThread.h"
#include "document/ReloadBody.h"
#include "edit/Effects.h"
#include "ui/Captions.h"
#include "ui/LabelFit.h"
#include "ui/ModalResult.h"
#include "ui/TEffectForm.h"
#include "ui/TProcessForm.h"
#include "ui/TStatisticsForm.h"

namespace tw {

void TMainForm::buildEffectsMenu()
{
    MenuEffects = menuBar()->addMenu(QString());
    MenuEffects->setObjectName("MenuEffects");
    setCaption(*MenuEffects, MainFormTexts::kMenuEffects);
    for (const Effect& effect : effectTable()) {
        if (effect.separatorBefore)
            MenuEffects->addSeparator();
        auto* item = MenuEffects->addAction(QString());
        item->setObjectName(QStringLiteral("MEffect") + QString::fromUtf8(effect.key));
        setCaption(*item, QString::fromUtf8(effect.name));
        connect(item, &QAction::triggered, this, [this, &effect] { MEffectClick(effect); });
        effectItems.push_back(item);
    }
}

void TMainForm::updateEffectItems(bool doc)
{
    const auto& table = effectTable();
    for (std::size_t i = 0; i < table.size() && i < effectItems.size(); ++i)
        effectItems[i]->setEnabled(doc && effectEnabled(table[i], *this));
}

void TMainForm::applyEffectsLanguage()
{
    const auto text = [this](const char* section, const char* key, const char* english) {
        return QString::fromStdString(languageIni.read(section, key, english));
    };
    setCaption(*MenuEffects, text("Menu", "Effects", MainFormTexts::kMenuEffects));
    const auto& table = effectTable();
    for (std::size_t i = 0; i < table.size() && i < effectItems.size(); ++i)
        setCaption(*effectItems[i], text("Effects", table[i].key, table[i].name));
}

void TMainForm::applyLanguage(TEffectForm& form)
{
    const auto text = [this](const char* section, const char* key, const char* english) {
        return QString::fromStdString(languageIni.read(section, key, english));
    };
    const Effect& effect = form.effect();
    form.setFont(font());
    setWindowCaption(form, text("Effects", effect.key, effect.name).remove(QStringLiteral("...")).trimmed());
    for (std::size_t i = 0; i < effect.params.size() && i < form.Labels.size(); ++i)
        setCaption(*form.Labels[i], text("Effects", effect.params[i].key, effect.params[i].name));
    setCaption(*form.ButtonOk, text("Common", "Ok", "OK"));
    setCaption(*form.ButtonCancel, text("Common", "Cancel", "Cancel"));
    if (auto* preview = form.findChild<QPushButton*>(QStringLiteral("ButtonPreview")))
        setCaption(*preview, text("Effects", "Preview", MainFormTexts::kButtonPreview));
    fitLabels(form);
}

void TMainForm::applyLanguage(TStatisticsForm& form)
{
    const auto text = [this](const char* key, const char* english) {
        return QString::fromStdString(languageIni.read("Statistics", key, english));
    };
    form.setFont(font());
    setWindowCaption(form, text("Caption", TStatisticsForm::kCaption));
    setCaption(*form.ButtonCopy, text("Copy", TStatisticsForm::kCopy));
    setCaption(*form.ButtonClose, text("Close", TStatisticsForm::kClose));
}

void TMainForm::MEffectClick(const Effect& effect)
{
    if (!loaded || !effectEnabled(effect, *this))
        return;
    if (effect.length == EffectLength::Measured) {
        // Reads the work file only: playback goes on, nothing changes.
        std::optional<std::vector<EffectFigure>> figures;
        runUnderProcessForm<TStatisticsThread>([this, &effect, &figures](WindowProgress& progress) {
            figures = effect.measure(*this, progress);
            if (!figures)
                inform(kMsgCannotOpenTemp);
        });
        if (!figures)
            return;
        TStatisticsForm form(this);
        applyLanguage(form);
        const QString channelWord = QString::fromStdString(languageIni.read("Statistics", "Channel", TStatisticsForm::kChannel));
        QString lines;
        for (const EffectFigure& f : *figures) {
            QString name = QString::fromStdString(languageIni.read("Statistics", f.key, f.name));
            if (!f.channel.empty())
                name += QStringLiteral(" (%1 %2)").arg(channelWord, QString::fromStdString(f.channel));
            lines += name + QStringLiteral(": ") + QString::fromStdString(f.value) + QLatin1Char('\n');
        }
        form.setText(lines);
        if (onStatisticsShown)
            onStatisticsShown(form);
        form.exec();
        return;
    }
    // An insert goes in at the start of the cursor's column, as it stood before the stop.
    EffectInput input;
    input.at = std::uint64_t{cursorColumn()} * zoom;
    previewAt_ = input.at;
    stopAndRelease();
    if (!effect.params.empty()) {
        TEffectForm form(this, effect);
        addEffectButtons(form);
        applyLanguage(form);
        if (onEffectFormShown)
            onEffectFormShown(form);
        const int answer = form.exec();
        stopPreview();
        if (answer != QDialog::Accepted) {
            afterEdit();
            return;
        }
        input.values = form.values();
    }
    runEdit<TEffectThread>([this, &effect, &input](WindowProgress& progress) {
        return runEffectBody(*this, effect, input, progress, *this, &journal_);
    });
    afterEdit();
}

}  // namespace tw
