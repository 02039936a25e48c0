// The one interface through which every user message goes: a message box in the GUI, a script in tests, flags in the CLI.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace vantrel {

enum class PromptIcon { None, Information, Exclamation, Question };
enum class PromptButtons { Ok, OkCancel, YesNo };
enum class PromptAnswer { Ok, Cancel, Yes, No };

/// One message as the user sees it: text, caption, icon and buttons, exactly as given.
struct PromptMessage {
    std::string text;
    std::string caption;
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::Ok;
    bool operator==(const PromptMessage&) const = default;
};

/// Shows a modal message and answers the button the user pressed.
class UserPrompt {
public:
    virtual ~UserPrompt() = default;
    virtual PromptAnswer show(const PromptMessage& message) = 0;

    PromptAnswer show(std::string text, std::string caption, PromptIcon icon,
                      PromptButtons buttons = PromptButtons::Ok) {
        return show(PromptMessage{std::move(text), std::move(caption), icon, buttons});
    }
};

/// Records every message and answers from a script (tests). With the script used up it answers the
/// affirmative button of each box (Ok or Yes).
class ScriptedPrompt : public UserPrompt {
public:
    PromptAnswer show(const PromptMessage& message) override {
        m_shown.push_back(message);
        if (!m_answers.empty()) {
            PromptAnswer a = m_answers.front();
            m_answers.pop_front();
            return a;
        }
        return message.buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    }
    void answer(PromptAnswer a) { m_answers.push_back(a); }
    const std::vector<PromptMessage>& shown() const { return m_shown; }
    void clear() { m_shown.clear(); }

private:
    std::deque<PromptAnswer> m_answers;
    std::vector<PromptMessage> m_shown;
};

}  // namespace vantrel
