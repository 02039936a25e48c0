// The GUI's answer to the prompt interface: every user message as a modal message box.
#pragma once

#include "operations/UserPrompt.h"

class QWidget;

namespace vantrel {

/// Shows each message as a QMessageBox with its exact text, caption, icon and buttons.
class QtUserPrompt : public UserPrompt {
  public:
    /// `parent` (may be null) is the window the boxes are centred over; it must outlive the prompt.
    explicit QtUserPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    using UserPrompt::show;
    PromptAnswer show(const PromptMessage& message) override;

  private:
    QWidget* m_parent;
};

}  // namespace vantrel
