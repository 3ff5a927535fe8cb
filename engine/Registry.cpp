// Placeholder until the registry store lands: every key is missing.
#include "Registry.h"

Registry::Registry() = default;
Registry::Registry(const CStdStr& machine) {
    setMachine(machine);
}
Registry::~Registry() {
    close();
}
void Registry::setMachine(const CStdStr& machine) {
    m_machine = machine;
}
platform::RegKey Registry::getRemoteKey(platform::RegKey) {
    return nullptr;
}
platform::RegKey Registry::getRootKey(const CStdStr&) {
    return nullptr;
}
platform::RegKey Registry::openKey(const CStdStr&, const CStdStr&, unsigned) {
    return nullptr;
}
bool Registry::keyExists(const CStdStr&, const CStdStr&) {
    return false;
}
bool Registry::ReadValue(const CStdStr&, const CStdStr&, const CStdStr&, RegValue&) {
    return false;
}
CStdStr Registry::readValueText(const CStdStr&, const CStdStr&, const CStdStr&) {
    return {};
}
bool Registry::WriteValue(const CStdStr&, const CStdStr&, const CStdStr&, const RegValue&) {
    return false;
}
void Registry::close() {}
