#include "Registry.h"

#include <algorithm>

namespace {

// Built on first use, so registrations from any file's static initialisers
// find it ready whatever the order in which the files are initialised.
std::vector<RegisteredGenerator>& Table() {
    static std::vector<RegisteredGenerator> table;
    return table;
}

}  // namespace

GeneratorRegistration::GeneratorRegistration(const char* fileName, GeneratorFunction generate) {
    Table().push_back(RegisteredGenerator{fileName, generate});
}

std::vector<RegisteredGenerator> RegisteredGenerators() {
    std::vector<RegisteredGenerator> sorted = Table();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const RegisteredGenerator& a, const RegisteredGenerator& b) { return a.fileName < b.fileName; });
    return sorted;
}
