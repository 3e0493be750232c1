#pragma once

#include "platform/app_info.h"

namespace gb::test {

// The program's folder and screen facts as a test wants them.
class FakeAppInfo : public platform::IAppInfo {
public:
    explicit FakeAppInfo(QString dataDirectory)
        : dataDirectory_(std::move(dataDirectory))
    {
    }
    QString DataDirectory() const override { return dataDirectory_; }
    QString ExeBaseName() const override { return QStringLiteral("glimmerbox"); }
    QString HelpSite() const override { return helpSite; }
    int TwipsPerPixelX() const override { return 15; }
    int TwipsPerPixelY() const override { return 15; }

    QString helpSite = QStringLiteral("https://example.org/glimmerbox");

private:
    QString dataDirectory_;
};

} // namespace gb::test
