#include "mainhelpdialog.h"

#include "apppages.h"
#include "dialogbehaviour.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

MainHelpDialog::MainHelpDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MainHelpDialog"));
    setWindowTitle(QStringLiteral("Corvantis Help"));
    m_browser = AppPages::createBrowser(
        this, QStringLiteral("main_help.html"),
        QStringLiteral("<h2>Corvantis Help</h2><p>The help page is not installed with this copy of Corvantis. "
                       "The Tutorial command on the main page opens the printed walk-through.</p>"));
    m_browser->document()->setDocumentMargin(16);
    // Links inside the page (its table of contents) move within it; nothing leaves the program.
    m_browser->setOpenExternalLinks(false);

    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 8, 12, 12);
    buttons->addStretch();
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_browser);
    layout->addLayout(buttons);
    DialogBehaviour::noAutoDefault(this);
    resize(780, 640);
}
