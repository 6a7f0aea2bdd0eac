// Rebuilds the resource section in place. Sections after it (MinGW and MSVC
// put .reloc there) move by the size difference; only sections that nothing
// but the data directories address may follow, so moving them is safe.

#include "platform/pe/ByteIo.h"
#include "platform/pe/PeImage.h"
#include "platform/pe/PeResources.h"
#include "platform/pe/ResourceTreeWriter.h"

namespace pgw::pe {

namespace {

class SectionRebuild {
public:
    SectionRebuild(std::span<const std::uint8_t> file, const PeImage& image) : m_file(file), m_image(image) {}
    bool run(const ResourceTree& tree, std::vector<std::uint8_t>& out, std::string& error);

private:
    bool locate(std::string& error);
    bool checkFollowers(std::string& error) const;
    bool checkRelocations(std::string& error) const;
    bool certificateEnd(std::size_t& end, std::string& error) const;
    void patchHeaders(std::vector<std::uint8_t>& out, std::uint32_t treeSize) const;
    std::uint32_t oldVirtualEnd() const;

    std::span<const std::uint8_t> m_file;
    const PeImage& m_image;
    std::size_t m_index = 0; // of the resource section
    std::int64_t m_rawDelta = 0;
    std::int64_t m_virtualDelta = 0;
};

bool SectionRebuild::locate(std::string& error)
{
    const std::uint32_t rva = m_image.directory(kResourceDirectory).virtualAddress;
    for (std::size_t i = 0; i < m_image.sections.size(); ++i)
        if (rva != 0 && m_image.sections[i].virtualAddress == rva && m_image.sections[i].pointerToRawData != 0) {
            m_index = i;
            return true;
        }
    error = rva == 0 ? "The executable has no resource section to rewrite."
                     : "The resource directory does not start its own section; the file cannot be rewritten safely.";
    return false;
}

std::uint32_t SectionRebuild::oldVirtualEnd() const
{
    const SectionHeader& s = m_image.sections[m_index];
    return static_cast<std::uint32_t>(s.virtualAddress + alignUp(s.virtualSize ? s.virtualSize : s.sizeOfRawData,
                                                                 m_image.sectionAlignment));
}

bool SectionRebuild::checkFollowers(std::string& error) const
{
    if (m_image.pointerToSymbolTable != 0) {
        error = "The executable carries a symbol table (not stripped); it cannot be rewritten safely.";
        return false;
    }
    const SectionHeader& rsrc = m_image.sections[m_index];
    const std::uint64_t rawEnd = std::uint64_t{rsrc.pointerToRawData} + rsrc.sizeOfRawData;
    for (std::size_t i = 0; i < m_image.sections.size(); ++i) {
        const SectionHeader& s = m_image.sections[i];
        if (i == m_index || s.pointerToRawData == 0) continue;
        const bool after = i > m_index;
        const bool placedRight = after ? s.pointerToRawData >= rawEnd
                                       : std::uint64_t{s.pointerToRawData} + s.sizeOfRawData <= rsrc.pointerToRawData;
        if (!placedRight) {
            error = "Section " + s.name + " overlaps the resource section in the file.";
            return false;
        }
        if (after && s.name != ".reloc" && !(s.characteristics & kDiscardable)) {
            error = "Section " + s.name + " follows the resource section and cannot be moved safely.";
            return false;
        }
    }
    for (std::size_t d = 0; d < m_image.directories.size(); ++d) {
        const DataDirectory dir = m_image.directory(d);
        if (d == kResourceDirectory || d == kCertificateDirectory || dir.virtualAddress == 0) continue;
        if (dir.virtualAddress >= rsrc.virtualAddress && dir.virtualAddress < oldVirtualEnd()) {
            error = "Data directory " + std::to_string(d) + " points into the resource section.";
            return false;
        }
        // Only the relocation table is known to hold nothing but RVAs below the resources;
        // others (debug data) hold file offsets that a move would break.
        if (d != kRelocationDirectory && dir.virtualAddress >= oldVirtualEnd()) {
            error = "Data directory " + std::to_string(d) + " lies in a section that would have to move.";
            return false;
        }
    }
    return checkRelocations(error);
}

// Fixups inside or after the resource section would be left pointing at moved data.
bool SectionRebuild::checkRelocations(std::string& error) const
{
    const DataDirectory relocs = m_image.directory(kRelocationDirectory);
    if (relocs.virtualAddress == 0 || relocs.size == 0) return true;
    const SectionHeader* section = m_image.sectionHolding(relocs.virtualAddress, relocs.size);
    if (!section) {
        error = "The relocation table lies outside the file.";
        return false;
    }
    const auto table = m_file.subspan(section->pointerToRawData + (relocs.virtualAddress - section->virtualAddress), relocs.size);
    for (std::size_t at = 0; at + 8 <= table.size();) {
        const std::uint32_t page = readU32(table, at);
        const std::uint32_t blockSize = readU32(table, at + 4);
        if (blockSize < 8) {
            error = "The relocation table is damaged.";
            return false;
        }
        if (page >= m_image.sections[m_index].virtualAddress) {
            error = "Relocations apply to the resource section or what follows it; the file cannot be rewritten safely.";
            return false;
        }
        at += blockSize;
    }
    return true;
}

// A signature cannot survive the rewrite; it is dropped when it ends the file.
bool SectionRebuild::certificateEnd(std::size_t& end, std::string& error) const
{
    end = m_file.size();
    const DataDirectory cert = m_image.directory(kCertificateDirectory);
    if (cert.virtualAddress == 0) return true;
    if (std::uint64_t{cert.virtualAddress} + cert.size != m_file.size()) {
        error = "The executable's signature is not at the end of the file; it cannot be removed safely.";
        return false;
    }
    end = cert.virtualAddress;
    const SectionHeader& rsrc = m_image.sections[m_index];
    if (end < std::uint64_t{rsrc.pointerToRawData} + rsrc.sizeOfRawData) {
        error = "The executable's signature overlaps its sections.";
        return false;
    }
    return true;
}

void SectionRebuild::patchHeaders(std::vector<std::uint8_t>& out, std::uint32_t treeSize) const
{
    const SectionHeader& rsrc = m_image.sections[m_index];
    writeU32(out, rsrc.headerOffset + 8, treeSize);
    writeU32(out, rsrc.headerOffset + 16, static_cast<std::uint32_t>(alignUp(treeSize, m_image.fileAlignment)));
    std::uint64_t imageEnd = 0;
    std::uint64_t initialised = 0;
    for (std::size_t i = 0; i < m_image.sections.size(); ++i) {
        SectionHeader s = m_image.sections[i];
        if (i > m_index) {
            s.virtualAddress = static_cast<std::uint32_t>(s.virtualAddress + m_virtualDelta);
            writeU32(out, s.headerOffset + 12, s.virtualAddress);
            if (s.pointerToRawData != 0) {
                s.pointerToRawData = static_cast<std::uint32_t>(s.pointerToRawData + m_rawDelta);
                writeU32(out, s.headerOffset + 20, s.pointerToRawData);
            }
        }
        if (i == m_index) {
            s.virtualSize = treeSize;
            s.sizeOfRawData = static_cast<std::uint32_t>(alignUp(treeSize, m_image.fileAlignment));
        }
        imageEnd = std::max<std::uint64_t>(imageEnd, s.virtualAddress + alignUp(s.virtualSize ? s.virtualSize : s.sizeOfRawData,
                                                                               m_image.sectionAlignment));
        if (s.characteristics & kInitializedData) initialised += s.sizeOfRawData;
    }
    for (std::size_t d = 0; d < m_image.directories.size(); ++d) {
        const DataDirectory dir = m_image.directory(d);
        if (d == kCertificateDirectory) {
            writeU32(out, m_image.directoryOffset(d), 0);
            writeU32(out, m_image.directoryOffset(d) + 4, 0);
        } else if (d == kResourceDirectory) {
            writeU32(out, m_image.directoryOffset(d) + 4, treeSize);
        } else if (dir.virtualAddress >= oldVirtualEnd()) {
            writeU32(out, m_image.directoryOffset(d), static_cast<std::uint32_t>(dir.virtualAddress + m_virtualDelta));
        }
    }
    writeU32(out, m_image.sizeOfImageOffset(), static_cast<std::uint32_t>(imageEnd));
    writeU32(out, m_image.sizeOfInitializedDataOffset(), static_cast<std::uint32_t>(initialised));
}

bool SectionRebuild::run(const ResourceTree& tree, std::vector<std::uint8_t>& out, std::string& error)
{
    std::size_t end = 0;
    if (!locate(error) || !checkFollowers(error) || !certificateEnd(end, error)) return false;
    const SectionHeader& rsrc = m_image.sections[m_index];
    std::vector<std::uint8_t> encoded;
    if (!encodeResourceTree(tree, rsrc.virtualAddress, encoded, error)) return false;
    const std::uint64_t newRaw = alignUp(encoded.size(), m_image.fileAlignment);
    const std::uint64_t newVirtualEnd = rsrc.virtualAddress + alignUp(encoded.size(), m_image.sectionAlignment);
    m_rawDelta = static_cast<std::int64_t>(newRaw) - rsrc.sizeOfRawData;
    m_virtualDelta = static_cast<std::int64_t>(newVirtualEnd) - oldVirtualEnd();
    const std::uint64_t lastVirtual = m_image.sections.back().virtualAddress + std::uint64_t{m_image.sectionAlignment};
    if (newVirtualEnd > 0x7FFFFFFF || lastVirtual + m_virtualDelta > 0xFFFFFFFFu
        || m_file.size() + m_rawDelta > 0xFFFFFFFFu) {
        error = "The rewritten executable would be too large.";
        return false;
    }
    std::vector<std::uint8_t> result(m_file.begin(), m_file.begin() + rsrc.pointerToRawData);
    result.insert(result.end(), encoded.begin(), encoded.end());
    result.resize(rsrc.pointerToRawData + newRaw, 0);
    result.insert(result.end(), m_file.begin() + rsrc.pointerToRawData + rsrc.sizeOfRawData,
                  m_file.begin() + static_cast<std::ptrdiff_t>(end));
    patchHeaders(result, static_cast<std::uint32_t>(encoded.size()));
    writeU32(result, m_image.checkSumOffset(), peCheckSum(result, m_image.checkSumOffset()));
    out = std::move(result);
    return true;
}

} // namespace

bool replaceResources(std::span<const std::uint8_t> file, const ResourceTree& tree, std::vector<std::uint8_t>& out,
                      std::string& error)
{
    const std::optional<PeImage> image = parsePeImage(file, error);
    if (!image) return false;
    ResourceTree current;
    if (!readResources(file, current, error)) return false; // refuse files whose resources are already damaged
    return SectionRebuild(file, *image).run(tree, out, error);
}

} // namespace pgw::pe
