#pragma once
// The splash window shown while the program starts: top-most, centred, painted here.
#include <QWidget>

namespace ocv {

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    explicit CSplashWnd(const QString& version, QWidget* parent = nullptr);
    // Shows it centred on the primary screen, above every other window.
    void ShowCentred();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString version_;
};

}  // namespace ocv
