#pragma once
// The compressed files the expansion tests read, and the originals they expand to.

#include <string>

#include "TestSupport.h"

namespace compress_fixtures {

inline std::string fixture(const std::string& name) {
    return std::string(KENDRY_FIXTURES) + "/compress/" + name;
}

inline std::string original(const std::string& name) {
    return testing_support::readFile(fixture("originals/" + name));
}

} // namespace compress_fixtures
