#pragma once
// Helpers shared by the settings pages: text fields bounded to a record's byte capacity and
// number fields bounded to a setting's valid range.
#include <cstddef>
#include <string>

#include <QString>

class QLineEdit;
class QSpinBox;
class QWidget;

namespace ocv {

// `text` as UTF-8 cut to at most `capacity - 1` bytes, never inside a character.
std::string ToBoundedUtf8(const QString& text, size_t capacity);
// A line edit showing `value` that accepts at most `capacity - 1` characters.
void SetupTextField(QLineEdit* edit, const std::string& value, size_t capacity);
// A spin box over the valid range of a setting (section and key of the range table; the whole
// int range when the setting has none) showing `value`.
QSpinBox* MakeRangeSpinBox(const char* section, const char* key, int value, QWidget* parent);

}  // namespace ocv
