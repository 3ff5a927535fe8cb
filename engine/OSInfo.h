#pragma once
// The Windows release the engine runs on, as the registry's version values
// describe it, with the family questions callers ask.

#include "CStdStr.h"

class Registry;

// Release codes: 0 Windows 95, 1 98, 2 98 Second Edition, 3 Me, 4 NT 4.0,
// 5 2000, 6 Server 2003, 7 XP, 8 (never detected; counts as 64-bit), 9 Vista
// and later 6.x clients, 10 Server 2008, 11 NT 7.x, -1 unknown.
class OSInfo {
public:
    // Runs the detection.
    OSInfo();

    // Reads the registry again and replaces every field.
    void initialize();

    int getCode() const { return m_code; }
    int getServicePack() const { return m_servicePack; }
    int getMajor() const { return m_major; }
    int getMinor() const { return m_minor; }
    bool isWow64() const { return m_wow64; }

    bool is9xFamily() const;
    bool isNtFamily() const;
    bool is2000OrLater() const;
    bool is64Bit() const;

private:
    void detect9x(Registry& registry, int major, int minor);
    void detectNt(Registry& registry, int major, int minor);
    void readServicePack(const CStdStr& csdVersion);

    int m_code = -1;
    int m_servicePack = 0;
    int m_major = 0;
    int m_minor = 0;
    bool m_wow64 = false;
};

// Whether this process is a 32-bit program on a 64-bit system.
bool isWow64Process();
