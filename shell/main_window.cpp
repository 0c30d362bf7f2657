#include "shell/main_window.hpp"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <utility>
#include <vector>

#include "shell/dialog_logic.hpp"
#include "tenzio_version.hpp"

namespace {

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The toolkit's base units: the average width of the 52 letters, rounded, and the font height.
DialogBaseUnits baseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

// A text as wide as the label can show: a longer one (a long file name or folder) loses its
// middle, so that its start and its end stay readable.
QString fitted(const QLabel& label, const QString& text) {
    const QFontMetrics metrics = label.fontMetrics();
    const int indent = label.indent() >= 0 ? label.indent()
                       : label.frameWidth() > 0 ? metrics.horizontalAdvance(QLatin1Char('x')) / 2
                                                : 0;
    return metrics.elidedText(text, Qt::ElideMiddle, label.contentsRect().width() - 2 * indent);
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QDialog(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    std::vector<std::pair<const DialogControl*, QWidget*>> built;
    std::map<int, QButtonGroup*> radioGroups;
    for (const DialogControl& entry : mainDialogControls()) {
        QWidget* widget = nullptr;
        switch (entry.kind) {
        case ControlKind::groupBox: {
            auto* frame = new QGroupBox(qText(entry.text), this);
            if (entry.radioGroup != 0) {
                QButtonGroup*& group = radioGroups[entry.radioGroup];
                if (!group) group = new QButtonGroup(this);
                framedGroups_[frame] = group;
                frame->installEventFilter(this);
            }
            widget = frame;
            break;
        }
        case ControlKind::label: {
            auto* label = new QLabel(qText(entry.text), this);
            label->setTextFormat(Qt::PlainText);  // a file name is shown as it is, never as markup
            if (entry.sunken) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            label->setAlignment(entry.centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
            widget = label;
            break;
        }
        case ControlKind::pushButton: {
            auto* button = new QPushButton(qText(entry.text), this);
            // Enter presses the default button only, never the button that has the focus.
            button->setAutoDefault(false);
            button->setDefault(entry.defaultButton && !entry.disabled);
            connect(button, &QPushButton::clicked, this, [this, id = entry.id] { buttonClicked(id); });
            widget = button;
            break;
        }
        case ControlKind::radioButton: {
            auto* radio = new QRadioButton(qText(entry.text), this);
            // The radio buttons share one parent, so each group keeps its own exclusivity.
            QButtonGroup*& group = radioGroups[entry.radioGroup];
            if (!group) group = new QButtonGroup(this);
            group->addButton(radio);
            widget = radio;
            break;
        }
        case ControlKind::checkBox: widget = new QCheckBox(qText(entry.text), this); break;
        case ControlKind::icon: {
            auto* picture = new QLabel(this);
            const QPixmap pixmap(qText(entry.picture));
            if (pixmap.isNull()) complete_ = false;
            picture->setPixmap(pixmap);
            picture->setAlignment(Qt::AlignCenter);
            widget = picture;
            break;
        }
        }
        widget->setObjectName(qText(entry.objectName));
        if (auto* button = qobject_cast<QAbstractButton*>(widget); button && button->isCheckable())
            button->setChecked(startsChecked(entry));
        widget->setEnabled(!entry.disabled);
        widget->setHidden(entry.hidden);
        if (entry.id != ctl::none) controls_[entry.id] = widget;
        built.emplace_back(&entry, widget);
    }

    // The desktop's font, whatever its size: the dialog units scale the layout with it.
    const QFont dialogFont = font();
    base_ = baseUnitsOf(dialogFont);
    // Its letters may be wider for their average than those the layout was drawn for: widen the
    // horizontal unit until every option's label fits between its place and the edge up to which
    // it may grow, rather than cut a label.
    const auto labelsFit = [&] {
        for (const auto& [entry, widget] : built) {
            const auto* button = qobject_cast<const QAbstractButton*>(widget);
            if (!button || !button->isCheckable()) continue;
            const int room = dluToPixelsX(growthLimitDlu(*entry), base_) - dluToPixelsX(entry->x, base_);
            if (button->sizeHint().width() > room) return false;
        }
        return true;
    };
    for (const int fontUnit = base_.x; !labelsFit() && base_.x < 2 * fontUnit;) ++base_.x;

    // Frame titles sit on the frame's top line; the controls inside the frames were placed to
    // leave room for them there, not below.
    setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 3px;"
                                 " margin-top: %1px; }"
                                 "QGroupBox::title { subcontrol-origin: margin; left: %2px; padding: 0 2px; }")
                      .arg(QFontMetrics(dialogFont).height() / 2)
                      .arg(dluToPixelsX(3, base_)));
    setWindowTitle(qText(kDialogTitle) + QStringLiteral(" " TENZIO_VERSION));
    setFixedSize(dluToPixelsX(kDialogWidthDlu, base_), dluToPixelsY(kDialogHeightDlu, base_));

    for (const auto& [entry, widget] : built) {
        widget->setGeometry(dluToPixelsX(entry->x, base_), dluToPixelsY(entry->y, base_),
                            dluToPixelsX(entry->w, base_), dluToPixelsY(entry->h, base_));
        if (auto* label = qobject_cast<QLabel*>(widget); label && !entry->centred && entry->kind == ControlKind::label)
            label->setIndent(dluToPixelsX(2, base_));
        if (auto* button = qobject_cast<QAbstractButton*>(widget); button && button->isCheckable()) {
            // A label longer than its box lets the button grow to the right, within its frame.
            const int room = dluToPixelsX(growthLimitDlu(*entry), base_) - button->x();
            const int wanted = button->sizeHint().width();
            if (wanted > button->width()) button->resize(std::min(wanted, room), button->height());
        }
    }
    setWindowIcon(QPixmap(QStringLiteral(":/icons/icon145.xpm")));
}

void MainWindow::attach(DialogLogic& logic) { logic_ = &logic; }

QWidget* MainWindow::control(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void MainWindow::buttonClicked(int id) {
    if (!logic_ || logic_->press(id) == Press::endsDialog) done(id);
}

void MainWindow::reject() { buttonClicked(ctl::cancelButton); }

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // A frame's mnemonic moves to its group's checked button. The frames hold no widgets of their
    // own, so the toolkit's default, the frame's first child, would find none.
    if (event->type() == QEvent::Shortcut) {
        const auto it = framedGroups_.find(watched);
        if (it != framedGroups_.end()) {
            if (QAbstractButton* checked = it->second->checkedButton()) checked->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void MainWindow::setText(int id, std::string_view text) {
    QWidget* widget = control(id);
    if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(fitted(*label, qText(text)));
    else if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(qText(text));
    else if (auto* group = qobject_cast<QGroupBox*>(widget)) group->setTitle(qText(text));
}

void MainWindow::setToolTip(int id, std::string_view text) {
    if (QWidget* widget = control(id)) widget->setToolTip(qText(text));
}

void MainWindow::setEnabled(int id, bool enabled) {
    QWidget* widget = control(id);
    if (!widget) return;
    widget->setEnabled(enabled);
    // The default button is the default only while it can be pressed.
    const DialogControl* entry = findControl(id);
    if (auto* button = qobject_cast<QPushButton*>(widget); button && entry && entry->defaultButton)
        button->setDefault(enabled);
}

bool MainWindow::isChecked(int id) const {
    const auto* button = qobject_cast<const QAbstractButton*>(control(id));
    return button && button->isChecked();
}

void MainWindow::setChecked(int id, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(control(id))) button->setChecked(checked);
}

void MainWindow::flush() {
    // Paints now, without running the event loop: the run goes on inside a handler, and no user
    // input may reach the dialog until it returns.
    if (isVisible()) repaint();
}

void MainWindow::showDetail(std::string_view text) {
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), qText(text), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("detail"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
