// The about window: title, version, home page link and ownership lines.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QFrame;
class QLabel;
class QPushButton;

namespace tw {

// The ownership line after the language's word for copyright, which may be
// the sign itself.
QString ownershipLine(const QString& copyrightWord);

class TAboutForm final : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent);

    QFrame* Bevel1;
    QLabel* Label1;
    QLabel* Image1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QFrame* Bevel2;
    QPushButton* ButtonOk;

    // Set before each showing; Label5 shows and opens it.
    QString homePage;
    // From the language texts: first word of Label6, and the reserved-rights text.
    QString copyrightWord;
    QString reservedText;
    // Opens an address (the desktop's handler; tests answer instead).
    std::function<void(const QString&)> openAddress;

    // The link: opens the home page.
    void Label5Click();
    void reject() override;
    // Composes the ownership lines and the link, and fits the labels to
    // them, each time the window shows.
    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tw
