#pragma once
// TForm2, the About box's Qt face: the maker's logo, the program's name, its
// version and the maker's web address, built from the window's description,
// with an OK button. Each time the box becomes active the window model gives
// it its texts in the language of the moment.

#include <map>
#include <string>

#include <QDialog>

#include "WindowDescription.h"

class TWindowModel;

class TForm2 final : public QDialog {
public:
    // model (the main window's) must outlive the box.
    explicit TForm2(TWindowModel& model, QWidget* parent = nullptr);

    // The title or a line of the box.
    void SetText(TControl control, const std::string& text);
    // Asks the model for the texts of the moment.
    void FormActivate();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    TWindowModel& model_;
    std::map<TControl, QWidget*> controls_;  // of the description
};
