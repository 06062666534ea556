#include <QCoreApplication>

#include "app/Platform.h"
#include "platform/linux/AutostartLoginItem.h"
#include "platform/linux/Cld2LanguageRecognizer.h"
#include "platform/linux/IniDefaults.h"
#include "platform/linux/LibsecretStore.h"
#include "platform/linux/QtHttpTransport.h"
#include "platform/linux/QtScheduler.h"
#include "platform/linux/SyslogSystemLog.h"

namespace quillet {

Platform makeLinuxPlatform() {
    Platform p;
    p.scheduler = std::make_unique<QtScheduler>();
    p.secrets = std::make_unique<LibsecretStore>();
    p.defaults = std::make_unique<IniDefaults>();
    p.loginItem = std::make_unique<AutostartLoginItem>(QCoreApplication::applicationFilePath());
    p.log = std::make_unique<SyslogSystemLog>();
    p.http = std::make_unique<QtHttpTransport>();
    p.languages = std::make_unique<Cld2LanguageRecognizer>();
    return p;
}

}  // namespace quillet
