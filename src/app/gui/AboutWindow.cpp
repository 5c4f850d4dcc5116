#include "app/gui/AboutWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Version.h"
#include "app/gui/Icons.h"

namespace velmora {

TFrmAbout::TFrmAbout(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About %1").arg(QString::fromLatin1(kProgramName)));
    setModal(true);

    auto* picture = new QLabel(this);
    picture->setPixmap(MakeIcon(IconId::Program).pixmap(48, 48));

    LblName = new QLabel(QString::fromLatin1(kMainCaption), this);
    QFont big = LblName->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    LblName->setFont(big);
    LblVersion = new QLabel(QStringLiteral("Version %1").arg(QString::fromLatin1(kProgramVersion)), this);
    auto* blurb = new QLabel(QStringLiteral("Turns photographs into cartoons: a sketch layer and a color layer,\n"
                                            "tuned with a live preview, retouched and saved."),
                             this);

    BtnOk = new QPushButton(QStringLiteral("OK"), this);
    BtnOk->setDefault(true);
    connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(LblName);
    text->addWidget(LblVersion);
    text->addSpacing(6);
    text->addWidget(blurb);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addSpacing(10);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnOk);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

}  // namespace velmora
