#pragma once
// TForm2, the About box: the maker's logo, the program's name, its version
// and the maker's web address, in the current language, with an OK button.
// The texts are set each time the box becomes active, so a language switch
// shows at the next opening.

#include <QDialog>

#include "AppSettings.h"

class QLabel;
class QPushButton;

class TForm2 final : public QDialog {
public:
    // settings (the main window's) must outlive the box.
    explicit TForm2(const AppSettings& settings, QWidget* parent = nullptr);

    // Title and the three lines from the About texts of LanguageIndex.
    void FormActivate();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    const AppSettings& settings_;
    QLabel* StaticText1 = nullptr;
    QLabel* StaticText2 = nullptr;
    QLabel* StaticText3 = nullptr;
    QPushButton* OKBtn = nullptr;
};
