#include "prompter.h"
#include "seam.h"

#include <QDebug>

namespace {

// Used only when nothing was installed (a tool without a window): writes the text and says OK.
class StderrPrompter final : public Prompter
{
public:
    Answer ask(const Message& message) override
    {
        qWarning().noquote() << message.title << ":" << message.text;
        return message.buttons == Buttons::YesNo ? No : Ok;
    }
};

} // namespace

Prompter& Prompter::instance()
{
    static StderrPrompter fallback;
    return SeamSlot<Prompter>::get(fallback);
}

void Prompter::install(Prompter* prompter)
{
    SeamSlot<Prompter>::install(prompter);
}

Prompter::Answer Prompter::show(const QString& title, const QString& text, Buttons buttons, Icon icon,
                                const QString& details)
{
    Message m;
    m.title = title.isEmpty() ? applicationTitle() : title;
    m.text = text;
    m.buttons = buttons;
    m.icon = icon;
    m.details = details;
    return instance().ask(m);
}
