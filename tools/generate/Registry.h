// Registry: how each resource file's generator announces itself to the
// generator program, so main.cpp needs no list of them.
//
// A generator source file declares, at namespace scope,
//     static const GeneratorRegistration kCamel{"c.kst", GenerateCamel};
// and the program runs every registered generator, ordered by file name, each
// writing OUTDIR/<file name>. The sources are compiled into the executable
// itself (not a static library), so the linker keeps every registration.
#pragma once

#include <string>
#include <vector>

// Builds one resource file at path; false (with a message on standard error)
// on failure.
using GeneratorFunction = bool (*)(const std::string& path);

struct RegisteredGenerator {
    std::string fileName;  // name inside the resource folder, e.g. "c.kst"
    GeneratorFunction generate = nullptr;
};

struct GeneratorRegistration {
    GeneratorRegistration(const char* fileName, GeneratorFunction generate);
};

// Every registered generator, sorted by file name. Registering one name twice
// keeps both; the program refuses to run with duplicates.
std::vector<RegisteredGenerator> RegisteredGenerators();
