#include "RegistryDefaults.h"

#include <vector>

#include "../CodePage.h"

namespace posix {
namespace {

struct DefaultValue {
    std::u16string key;  // folded canonical
    std::u16string name; // folded
    RegData data;
};

std::vector<DefaultValue>& defaults() {
    static std::vector<DefaultValue> table;
    return table;
}

} // namespace

void addRegistryDefault(const CStdStr& key, const CStdStr& name, unsigned type,
                        const std::string& data) {
    const std::u16string foldedKey = foldCase(canonicalKey(platform::ansiToWide(key)));
    const std::u16string foldedName = foldCase(platform::ansiToWide(name));
    const RegData value{type, dataFromAnsi(type, data)};
    for (DefaultValue& known : defaults()) {
        if (known.key == foldedKey && known.name == foldedName) {
            known.data = value;
            return;
        }
    }
    defaults().push_back({foldedKey, foldedName, value});
}

void clearRegistryDefaults() {
    defaults().clear();
}

bool hasDefaultKey(const std::u16string& key) {
    const std::u16string folded = foldCase(canonicalKey(key));
    for (const DefaultValue& known : defaults()) {
        if (isKeyOrBelow(known.key, folded))
            return true;
    }
    return false;
}

const RegData* findDefaultValue(const std::u16string& key, const std::u16string& name) {
    const std::u16string foldedKey = foldCase(canonicalKey(key));
    const std::u16string foldedName = foldCase(name);
    for (const DefaultValue& known : defaults()) {
        if (known.key == foldedKey && known.name == foldedName)
            return &known.data;
    }
    return nullptr;
}

} // namespace posix
