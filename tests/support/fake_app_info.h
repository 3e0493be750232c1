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
    QString HelpSite() const override { return QStringLiteral("file:///usr/share/glimmerbox"); }
    int TwipsPerPixelX() const override { return 15; }
    int TwipsPerPixelY() const override { return 15; }

private:
    QString dataDirectory_;
};

} // namespace gb::test
