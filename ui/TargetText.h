#pragma once
// Texts, questions and small shared controls of the delivery-target and image dialogs.
#include <cstdint>
#include <functional>

#include <QMessageBox>
#include <QString>

class QCheckBox;
class QComboBox;
class QPushButton;
class QWidget;

namespace ocv {

// The English or the Japanese text, after the interface language.
QString Lang(const char* english, const char* japanese);

// Every message and question of these dialogs goes through here. A hook set by a test answers
// instead of a modal box: it gets the text and the buttons offered and returns the button.
using TargetMessageHook =
    std::function<QMessageBox::StandardButton(const QString&, QMessageBox::StandardButtons)>;
void SetTargetMessageHook(TargetMessageHook hook);
QMessageBox::StandardButton TargetMessage(QWidget* parent, const QString& text,
                                          QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                          QMessageBox::Icon icon = QMessageBox::Warning);

// A check box for a flag, named for tests.
QCheckBox* FlagBox(QWidget* parent, const char* name, const QString& text, int32_t value);
inline int32_t FlagOf(const QCheckBox* box);
// A push button named for tests.
QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text);
// A choice whose item i stands for value i; a value without an item selects none.
QComboBox* ChoiceBox(QWidget* parent, const char* name, std::initializer_list<QString> items,
                     int32_t value);
// The chosen value, or `old` when none is chosen.
int32_t ChoiceOf(const QComboBox* box, int32_t old);

}  // namespace ocv

#include <QCheckBox>
inline int32_t ocv::FlagOf(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }
