// The options dialog: edits a copy of the global options on two pages,
// "General" (hints, selection frame, zone captions, lamps) and "Access"
// (emulation, person cards), and hands the copy back when closed with OK.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

#include "AppOptions.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace doravo {

class TIniFile;

// The selection frame width typed into the dialog: a decimal integer (1
// when the text is not one) clamped to 1…9.
int32_t ParseSelFrameWidth(const QString& text);

class TfmOptions : public QDialog {
public:
    static constexpr int ClientWidth = 403;
    static constexpr int ClientHeight = 284;

    // Copies the global options and sets the controls from the copy.
    explicit TfmOptions(QWidget* parent = nullptr);
    ~TfmOptions() override;

    // The dialog open now, or null.
    static TfmOptions* OpenDialog() { return openDialog_; }

    const TAppOptions& Options() const { return options_; }
    // Set by every change the user makes to a control.
    bool Changed() const { return changed_; }

    QTabWidget* pcOptions;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    // General
    QCheckBox* cbShowHints;
    QLabel* lblSelFrameWidth;
    QLineEdit* edSelFrameWidth;
    QGroupBox* gbZoneCaptions;
    QRadioButton* rbZoneNone;
    QRadioButton* rbZoneSelected;
    QRadioButton* rbZoneAll;
    QGroupBox* gbLampEffect;
    QRadioButton* rbLampNone;
    QRadioButton* rbLampRunning;
    QRadioButton* rbLampFlashing;
    // Access
    QCheckBox* cbEmulation;
    QCheckBox* cbShowPersonsCards;
    QRadioButton* rbCardsForms;
    QRadioButton* rbCardsKest;

private:
    QWidget* CreateGeneralPage();
    QWidget* CreateAccessPage();
    void LoadControls();
    void ConnectControls();
    void Modify(const std::function<void(TAppOptions&)>& change);

    static TfmOptions* openDialog_;
    TAppOptions options_;
    bool changed_ = false;
    QButtonGroup* zoneCaptions_;
    QButtonGroup* lampEffect_;
    QButtonGroup* cardForm_;
};

// Runs the dialog modally; false when one is open already or when it was
// cancelled. With OK the edited options replace the global ones when
// anything was changed.
bool RunOptionsDialog(QWidget* parent = nullptr);

// The options command of the main window: runs the dialog and, when it was
// closed with OK, applies the global options (applyOptions may be empty)
// and saves them to settings — also when nothing changed. Returns whether
// it was closed with OK; error holds the message when the save failed.
bool EditOptions(QWidget* parent, TIniFile& settings, const std::function<void()>& applyOptions, std::string& error);

} // namespace doravo
