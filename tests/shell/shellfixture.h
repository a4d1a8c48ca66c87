#pragma once
// The shell tests' collection, built with the text-set writer into a temporary folder, and a
// main window opened on it. Page records in brackets, labels after them:
//   slot 1 詩部: 2 詩經: 3 國風 [0..104] 1..105, 4 小雅 [105..107] 5..7;
//                5 楚辭: 6 離騷 [108..109] 1..2
//   slot 7 史部: 8 史記: 9 本紀 [110..111] 1..2
// Every page of 國風 holds 詩 and 云 once each, apart from its first page, which holds each
// three times: 詩 云 finds 105 pages with 214 hits, and the first page has six anchors.

#include "panel/leftform.h"
#include "shell/commandids.h"
#include "shell/mainfrm.h"
#include "tests/support/fixture.h"
#include "tests/support/volumes.h"

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <memory>

namespace varo::test {

void WriteShellCollection(const std::filesystem::path& folder);

/// The texts of the 小雅 pages, labels 5, 6 and 7.
inline const QString kXiaoyaPages[3] = {QStringLiteral("鹿鳴"), QStringLiteral("四牡"), QStringLiteral("皇華")};

/// A main window on the collection in folder (also its page-file and listing folder), after
/// its first display, shown and active, with the settings store isolated (IsolateSettings).
/// end.exe and the guide are looked for in program; by default a folder that does not exist.
std::unique_ptr<CMainFrame> OpenFrame(const std::filesystem::path& folder, const std::filesystem::path& program = {});

QString ToQString(const std::filesystem::path& path);

/// Points the settings store at a folder of this test program's own, so that test programs
/// running side by side never read each other's layout, scope or window geometry.
void IsolateSettings();

/// Types text into widget key by key, any characters (QTest::keyClicks takes Latin-1 only).
void TypeText(QWidget* widget, const QString& text);

/// Runs action on the next modal dialog that opens, then closes the dialog if the action left
/// it open.
void OnNextModal(const std::function<void(QWidget*)>& action);

/// The panel's control of the given command id, of type Control; the test stops when it is missing.
template <typename Control>
Control* PanelControl(CMainFrame& frame, int id)
{
    auto* control = frame.LeftForm()->findChild<Control*>(varo::shell::IdName(id));
    if (control == nullptr)
        qFatal("no control %d", id);
    return control;
}

/// Lets the idle update pass run.
inline void Idle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

}  // namespace varo::test
