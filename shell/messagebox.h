#pragma once
// Messages of the core shown as the system shows them: a modal box with the exclamation icon,
// the OK button only, captioned with the application title.

#include "engine/messagesink.h"

#include <QString>

#include <functional>

class QWidget;

namespace varo::shell {

void ShowMessageBox(QWidget* parent, const QString& text);

/// Tests replace the modal box by a recorder; an empty function restores the box.
void SetMessageBoxInterceptor(std::function<void(const QString&)> interceptor);

class MessageBoxSink : public IMessageSink {
public:
    explicit MessageBoxSink(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }
    void ShowMessage(const std::u16string& text) override;

private:
    QWidget* m_parent;
};

}  // namespace varo::shell
