#include "titlepanels.h"

#include "global.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* label(QWidget* parent, const QString& name, const QString& text, double scale, bool bold)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSizeF(parent->font().pointSizeF() * scale);
    f.setBold(bold);
    l->setFont(f);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QVBoxLayout* bandLayout(QWidget* panel)
{
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(12, 10, 12, 0);
    layout->setSpacing(2);
    panel->setAutoFillBackground(true);
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, p.color(QPalette::Base));
    panel->setPalette(p);
    return layout;
}

} // namespace

DividerLine::DividerLine(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("DividerLine1"));
    setFrameShape(QFrame::HLine);
    setFrameShadow(QFrame::Sunken);
}

SimpleDialogTitlePanel::SimpleDialogTitlePanel(QWidget* parent) : QWidget(parent)
{
    auto* layout = bandLayout(this);
    m_title = label(this, QStringLiteral("lblTitle"), QStringLiteral("Title"), 1.25, true);
    layout->addWidget(m_title);
    layout->addSpacing(6);
    layout->addWidget(new DividerLine(this));
}

void SimpleDialogTitlePanel::initialize(const QString& title)
{
    m_title->setText(title);
}

QString SimpleDialogTitlePanel::title() const
{
    return m_title->text();
}

CompoundDialogTitlePanel::CompoundDialogTitlePanel(QWidget* parent) : QWidget(parent)
{
    auto* layout = bandLayout(this);
    m_title = label(this, QStringLiteral("lblTitle"), QStringLiteral("Title"), 1.25, true);
    m_subTitle = label(this, QStringLiteral("lblSubTitle"), QStringLiteral("SubTitle"), 1.0, false);
    layout->addWidget(m_title);
    layout->addWidget(m_subTitle);
    layout->addSpacing(6);
    layout->addWidget(new DividerLine(this));
}

void CompoundDialogTitlePanel::initialize(const QString& title, const QString& subTitle)
{
    m_title->setText(title);
    m_subTitle->setText(subTitle);
}

QString CompoundDialogTitlePanel::title() const
{
    return m_title->text();
}

QString CompoundDialogTitlePanel::subTitle() const
{
    return m_subTitle->text();
}

TutorialButton::TutorialButton(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_button = new QPushButton(QStringLiteral("&Tutorial"), this);
    m_button->setObjectName(QStringLiteral("cmdTutorial"));
    m_button->setAutoDefault(false);
    layout->addWidget(m_button);
    connect(m_button, &QPushButton::clicked, this, [] { Global::showTutorial(); });
}
