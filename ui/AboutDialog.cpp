#include "ui/AboutDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/UiText.h"

namespace ocv {
namespace {

// The program's mark: a camera lens in a rounded square.
QPixmap ProgramMark() {
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 70, 120));
    p.drawRoundedRect(QRectF(2, 2, 44, 44), 9, 9);
    p.setBrush(QColor(235, 240, 245));
    p.drawEllipse(QPointF(24, 24), 15, 15);
    p.setBrush(QColor(30, 70, 120));
    p.drawEllipse(QPointF(24, 24), 9, 9);
    p.setBrush(QColor(120, 200, 255));
    p.drawEllipse(QPointF(21, 21), 3, 3);
    return pm;
}

}  // namespace

CAboutDialog::CAboutDialog(const QString& version, QWidget* parent) : QDialog(parent) {
    setWindowTitle(Tr(T::AboutTitle));

    auto* mark = new QLabel(this);
    mark->setPixmap(ProgramMark());
    mark->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(Tr(T::AboutProgram), this);
    name->setObjectName(QStringLiteral("programName"));
    QFont big = name->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    name->setFont(big);

    // The version line keeps its trailing space: "Version %s ".
    auto* versionLine = new QLabel(QStringLiteral("Version %1 ").arg(version), this);
    versionLine->setObjectName(QStringLiteral("version"));
    versionLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* description = new QLabel(Tr(T::AboutDescription), this);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(versionLine);
    texts->addWidget(description);
    texts->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(mark);
    top->addSpacing(12);
    top->addLayout(texts, 1);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    box->button(QDialogButtonBox::Ok)->setText(Tr(T::Ok));
    box->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(box);
    setMinimumWidth(320);
}

}  // namespace ocv
