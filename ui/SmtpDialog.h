#pragma once
// "e-mail settings": sender, server and submission security, POP before SMTP, recipients, title
// and body with their placeholders, attachment and the package setup.
#include <QDialog>

#include "config/OcvParam.h"
#include "ui/SettingDialogs.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace ocv {

class CSMTPDialog : public QDialog {
public:
    CSMTPDialog(const SmtpInfo& smtp, const ModeChoice* package, QWidget* parent = nullptr);
    const SmtpInfo& Value() const { return smtp_; }
    const ModeChoice& Package() const { return package_; }
    // Puts `word` at the caret of the title or the body, whichever had the focus last.
    void InsertWord(const QString& word);
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddRecipient();
    void UpdateEnabled();

    SmtpInfo smtp_;
    ModeChoice package_;
    int port_;
    QLineEdit* from_;
    QLineEdit* server_;
    QLabel* portLabel_;
    QComboBox* security_;
    QLineEdit* user_;
    QLineEdit* password_;
    QComboBox* authMethod_;
    QCheckBox* selfSigned_;
    QCheckBox* popBeforeSmtp_;
    QPushButton* popSettings_;
    QLineEdit* recipient_;
    QPushButton* add_;
    QPushButton* remove_;
    QListWidget* recipients_;
    QLineEdit* subject_;
    QPlainTextEdit* body_;
    QCheckBox* noAttachment_;
    QWidget* insertTarget_;
};

}  // namespace ocv
