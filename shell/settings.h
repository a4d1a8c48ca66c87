#pragma once
// The application's names and its settings store.

#include <QSettings>
#include <QString>

#include <memory>

namespace varo::shell {

/// Caption of every message box and the application's name in the settings store.
inline const QString kApplicationTitle = QStringLiteral("Orvane--Kestrineシリーズ③(Velloran)");
/// Caption of the main window.
inline const QString kMainWindowCaption = QStringLiteral("Orvane--Kestrine(Velloran)");
/// Key name of the settings store.
inline const QString kSettingsKey = QStringLiteral("Local AppWizard-Generated Applications");

/// The settings store: organisation = the key name, application = the application title.
inline std::unique_ptr<QSettings> OpenSettings()
{
    return std::make_unique<QSettings>(kSettingsKey, kApplicationTitle);
}

}  // namespace varo::shell
