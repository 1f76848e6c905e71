// TKestEditWindow: the main window of kestedit, a viewer and editor of Kest
// documents around one panel: file handling, page tabs for the schemes,
// tools, zoom, undo and redo, the clipboard and the arranging commands.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

#include "KestBasePanel.h"

class QAction;
class QActionGroup;
class QLabel;
class QTabBar;

namespace kest {

class TKestEditWindow : public QMainWindow {
public:
    explicit TKestEditWindow(QWidget* parent = nullptr);
    ~TKestEditWindow() override;

    TKestPanel& Panel() const { return *panel_; }
    QTabBar& PageTabs() const { return *tabs_; }
    const QString& FileName() const { return fileName_; }

    // Both report a failure through OnError and return false.
    bool OpenFile(const QString& fileName);
    bool SaveFile(const QString& fileName, bool binary);
    void NewFile();
    // Asks whether to save unsaved changes; false when the user cancels or
    // saving fails.
    bool MaybeSave();

    // The scale in percent, the centre of the window kept; FitDocument makes
    // the whole page visible.
    void ZoomTo(int32_t percent);
    void ZoomIn();
    void ZoomOut();
    void FitDocument();

    // Commands, as the menus run them.
    void Undo();
    void Redo();
    void Cut();
    void Copy();
    void Paste();
    void DeleteSelection();
    void GroupSelection();
    void UngroupSelection();
    void RotateSelection(int32_t degrees);
    void MirrorSelection();
    void SelectAll();

    // Window texts, kept up to date.
    QString UndoText() const;
    QString RedoText() const;
    QString PositionText() const;

    // How the window talks to the user; tests replace them.
    std::function<void(const QString& message)> OnError;
    // Returns Save, Discard or Cancel.
    std::function<int(const QString& question)> OnAskSave;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateToolBar();
    QAction* AddAction(QMenu* menu, const QString& text, const QKeySequence& keys, std::function<void()> run);
    void InstallPanel(std::unique_ptr<TKestPanel> panel);
    void HookPanel();
    void RebuildTabs();
    void ScheduleRefresh();
    void Refresh();
    void ChooseTool(uint8_t mode, const TKestControlClass* cls);
    void ShowError(const QString& message);
    void SaveAs();
    bool Save();
    void Open();
    // Runs an editing command, reporting a refused one.
    void Guarded(const std::function<void()>& command);

    TKestPanel* panel_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QLabel* positionLabel_ = nullptr;
    QLabel* scaleLabel_ = nullptr;
    QLabel* selectionLabel_ = nullptr;
    QActionGroup* toolGroup_ = nullptr;
    QAction* selectTool_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QAction* pasteAction_ = nullptr;
    std::vector<QAction*> selectionActions_;
    QString fileName_;
    QString position_;
    bool refreshPending_ = false;
    bool rebuildingTabs_ = false;
};

} // namespace kest
