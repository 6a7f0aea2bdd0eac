#pragma once
// Writes one sample compound file through our library while keeping a plain model of
// what every stream must hold, then writes that model as a manifest for the checkers:
//   path<TAB>storage|stream<TAB>size<TAB>sha256   (storages: size 0, hash "-")
// Paths join UTF-8 names with '/'. The model is deliberately simple (a map of byte
// vectors), so that it can be trusted where the library cannot yet.

#include "platform/storage/CompoundFile.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pgw::interop {

// Deterministic bytes and numbers (splitmix64), so every run writes the same samples.
class Generator {
public:
    explicit Generator(uint64_t seed) : state_(seed) {}
    uint64_t next();
    size_t below(size_t bound) { return bound == 0 ? 0 : static_cast<size_t>(next() % bound); }
    std::vector<uint8_t> bytes(size_t count);

private:
    uint64_t state_;
};

class SampleWriter {
public:
    SampleWriter(std::string filePath, const storage::CreateOptions& options);
    ~SampleWriter();

    // Each operation acts on the file and the model alike. After the first failure the
    // rest do nothing; error() tells what failed.
    void storage(const std::string& path);  // creates it and missing parents
    void write(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes);
    void writeBytewise(const std::string& path, const std::vector<uint8_t>& bytes);
    void setSize(const std::string& path, uint64_t size);
    // createStream with the create flag over an existing element of that name.
    void replace(const std::string& path, const std::vector<uint8_t>& bytes);
    void destroy(const std::string& path);
    void rename(const std::string& path, const std::string& newName);
    void commit();
    // Closes the file and opens it again for writing.
    void reopen();

    // Commits and closes the file, reads everything back through the library, and
    // writes the manifest. Returns false when anything failed.
    bool finish(const std::string& manifestPath);
    const std::string& error() const { return error_; }

private:
    struct Expected {
        bool isStorage = false;
        std::vector<uint8_t> bytes;
    };

    bool failed() const { return !error_.empty(); }
    bool check(storage::StgResult result, const std::string& what, const std::string& path);
    storage::Storage* storageAt(const std::string& path);
    std::unique_ptr<storage::Stream> streamAt(const std::string& path);
    void closeHandlesUnder(const std::string& path);
    void eraseModelUnder(const std::string& path);
    bool verifyReadBack();
    bool verifyStorage(storage::Storage& storage, const std::string& path);
    bool writeManifest(const std::string& manifestPath);

    std::string filePath_;
    std::string error_;
    std::unique_ptr<storage::Storage> root_;
    std::map<std::string, std::unique_ptr<storage::Storage>> storages_;
    std::map<std::string, Expected> model_;
};

}  // namespace pgw::interop
