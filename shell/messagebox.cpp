#include "shell/messagebox.h"

#include "shell/settings.h"

#include <QMessageBox>

namespace varo::shell {

namespace {

std::function<void(const QString&)>& Interceptor()
{
    static std::function<void(const QString&)> interceptor;
    return interceptor;
}

}  // namespace

void ShowMessageBox(QWidget* parent, const QString& text)
{
    if (Interceptor()) {
        Interceptor()(text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, kApplicationTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

void SetMessageBoxInterceptor(std::function<void(const QString&)> interceptor)
{
    Interceptor() = std::move(interceptor);
}

void MessageBoxSink::ShowMessage(const std::u16string& text)
{
    ShowMessageBox(m_parent, QString::fromStdU16String(text));
}

}  // namespace varo::shell
