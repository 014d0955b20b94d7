#include "ui/TargetText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "ui/UiText.h"

namespace ocv {
namespace {
TargetMessageHook& Hook() {
    static TargetMessageHook hook;
    return hook;
}
}  // namespace

QString Lang(const char* english, const char* japanese) {
    return QString::fromUtf8(CurrentUiLanguage() == UiLanguage::Japanese ? japanese : english);
}

void SetTargetMessageHook(TargetMessageHook hook) { Hook() = std::move(hook); }

QMessageBox::StandardButton TargetMessage(QWidget* parent, const QString& text,
                                          QMessageBox::StandardButtons buttons,
                                          QMessageBox::Icon icon) {
    if (Hook()) return Hook()(text, buttons);
    QMessageBox box(icon, QString(), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QCheckBox* FlagBox(QWidget* parent, const char* name, const QString& text, int32_t value) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(value != 0);
    return box;
}

QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QComboBox* ChoiceBox(QWidget* parent, const char* name, std::initializer_list<QString> items,
                     int32_t value) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (const QString& item : items) box->addItem(item);
    box->setCurrentIndex(value >= 0 && value < box->count() ? value : -1);
    return box;
}

int32_t ChoiceOf(const QComboBox* box, int32_t old) {
    return box->currentIndex() >= 0 ? box->currentIndex() : old;
}

}  // namespace ocv
