#pragma once
// The running operating system's version packed as binary-coded decimal:
// two digits each for the major, minor and maintenance release (10.6.8 gives
// 0x100608; Debian 12 gives 0x120000).
//
// The version comes from a source that answers the three components one by
// one and, as a fallback, one packed value V of the older form 0xMMmb
// (10.6.8 as 0x1068), which is converted as
//   ((V << 4) & 0xF00) | (V & 0xF) | ((V << 8) & 0xFF0000).
// When any component cannot be had (or does not fit two decimal digits) the
// fallback is asked; when that fails too the cached value is answered (0 the
// first time). A computed value is cached and answered on later calls
// without asking the source again.
//
// On Linux the source reads VERSION_ID of the os-release file
// (/etc/os-release, else /usr/lib/os-release): "12" is 12.0.0, "22.04" is
// 22.4.0; it has no packed fallback.
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class SystemVersionSource
{
public:
    enum class Component { Major, Minor, Bugfix };
    virtual ~SystemVersionSource() = default;
    virtual std::optional<uint32_t> component(Component which) = 0;
    virtual std::optional<uint32_t> packedVersion() = 0;
};

// Reads VERSION_ID from an os-release file.
class OsReleaseVersionSource : public SystemVersionSource
{
public:
    // Empty: the system's os-release file.
    explicit OsReleaseVersionSource(QString path = QString());
    std::optional<uint32_t> component(Component which) override;
    std::optional<uint32_t> packedVersion() override { return std::nullopt; }

    // The components of a VERSION_ID text ("12", "22.04", "3.18.4");
    // nothing when it does not begin with a number.
    static std::optional<QList<uint32_t>> componentsOfVersionId(const QString &versionId);

private:
    QString m_path;
};

// Registers the source asked (nullptr brings back the system's) and forgets
// the cached value.
void setSystemVersionSource(std::shared_ptr<SystemVersionSource> source);

uint32_t GetSystemVersionBCD();
