#pragma once
// The main dialog as a Qt window: the controls of the control table at their places, and the
// DialogView that the handlers work through.
#include <QDialog>
#include <map>

#include "shell/dialog_controls.hpp"
#include "shell/dialog_ports.hpp"

class DialogLogic;
class QButtonGroup;
class QWidget;

class MainWindow final : public QDialog, public DialogView {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);

    // Routes the push buttons to the handlers. A button that has no handler ends the dialog
    // with its own id as the result.
    void attach(DialogLogic& logic);

    // False when a picture of the dialog is missing from the program's resources.
    bool complete() const { return complete_; }

    // The control with this id, or nullptr.
    QWidget* control(int id) const;

    // Dialog units to pixels for this window's font.
    DialogBaseUnits baseUnits() const { return base_; }

    using QWidget::setEnabled;
    // A label's text loses its middle when the label is too narrow for it.
    void setText(int id, std::string_view text) override;
    void setToolTip(int id, std::string_view text) override;
    void setEnabled(int id, bool enabled) override;
    bool isChecked(int id) const override;
    void setChecked(int id, bool checked) override;
    void flush() override;
    // A message box over the dialog that does not hold up the handler that opens it.
    void showDetail(std::string_view text) override;

    // Esc and the close box act as the hidden cancel button.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buttonClicked(int id);

    std::map<int, QWidget*> controls_;
    std::map<QObject*, QButtonGroup*> framedGroups_;  // an option frame and the group it holds
    DialogLogic* logic_ = nullptr;
    DialogBaseUnits base_;
    bool complete_ = true;
};
