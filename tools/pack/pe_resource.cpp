#include "tools/pack/pe_resource.h"

#include <vector>

#include "common/text.h"

namespace pe {
namespace {

struct Reader {
  BytesView data;
  bool ok = true;
  uint32_t U16(uint64_t at) {
    if (at + 2 > data.size()) return ok = false, 0;
    return uint8_t(data[at]) | uint32_t(uint8_t(data[at + 1])) << 8;
  }
  uint32_t U32(uint64_t at) { return U16(at) | U16(at + 2) << 16; }
};

struct Section {
  uint32_t virtualAddress, virtualSize, rawSize, rawOffset;
};

constexpr uint32_t kHighBit = 0x80000000u;
constexpr int kResourceDirectoryIndex = 2;

// Entries of one resource directory table: (name or id field, offset field).
std::vector<std::pair<uint32_t, uint32_t>> Entries(Reader& r, uint64_t table) {
  std::vector<std::pair<uint32_t, uint32_t>> out;
  const uint32_t count = r.U16(table + 12) + r.U16(table + 14);
  if (!r.ok || count > 4096) return out;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t at = table + 16 + uint64_t(i) * 8;
    out.emplace_back(r.U32(at), r.U32(at + 4));
    if (!r.ok) return {};
  }
  return out;
}

}  // namespace

ResourceLocation FindNamedTypeResource(BytesView image, const std::string& typeName, uint16_t id) {
  ResourceLocation result;
  Reader r{image};
  auto fail = [&](const char* why) {
    result.error = why;
    return result;
  };
  if (image.size() < 0x40 || image.substr(0, 2) != "MZ") return fail("not a Windows program");
  // 64-bit arithmetic: a header offset near 4 GiB must not wrap around into the image.
  const uint64_t peAt = r.U32(0x3C);
  if (!r.ok || peAt + 24 > image.size() || image.substr(peAt, 4) != BytesView("PE\0\0", 4))
    return fail("not a Windows program");
  const uint32_t sectionCount = r.U16(peAt + 6);
  const uint32_t optionalSize = r.U16(peAt + 20);
  const uint64_t optionalAt = peAt + 24;
  const uint32_t magic = r.U16(optionalAt);
  uint64_t directoriesAt;
  if (magic == 0x10B) {
    directoriesAt = optionalAt + 96;
  } else if (magic == 0x20B) {
    directoriesAt = optionalAt + 112;
  } else {
    return fail("not a Windows program");
  }
  const uint32_t directoryCount = r.U32(directoriesAt - 4);
  if (!r.ok || directoryCount <= kResourceDirectoryIndex) return fail("no resource section");
  const uint32_t resourceRva = r.U32(directoriesAt + kResourceDirectoryIndex * 8);
  if (!r.ok || resourceRva == 0) return fail("no resource section");

  std::vector<Section> sections;
  const uint64_t sectionsAt = optionalAt + optionalSize;
  for (uint32_t i = 0; i < sectionCount && i < 96; ++i) {
    const uint64_t at = sectionsAt + uint64_t(i) * 40;
    sections.push_back({r.U32(at + 12), r.U32(at + 8), r.U32(at + 16), r.U32(at + 20)});
  }
  if (!r.ok) return fail("damaged section table");
  auto toFile = [&](uint32_t rva, uint64_t& offset) {
    for (const Section& s : sections) {
      const uint32_t extent = s.virtualSize > s.rawSize ? s.rawSize : s.virtualSize;
      const uint32_t span = extent ? extent : s.rawSize;
      if (rva >= s.virtualAddress && rva - s.virtualAddress < span) {
        offset = uint64_t(s.rawOffset) + (rva - s.virtualAddress);
        return offset < image.size();
      }
    }
    return false;
  };
  uint64_t root;
  if (!toFile(resourceRva, root)) return fail("no resource section");

  // Level 1: the type, by name. Names are counted UTF-16 strings relative to the root.
  auto nameMatches = [&](uint32_t nameField) {
    if (!(nameField & kHighBit)) return false;
    const uint64_t at = root + (nameField & ~kHighBit);
    const uint32_t length = r.U16(at);
    if (!r.ok || length != typeName.size()) return false;
    std::string ascii;
    for (uint32_t i = 0; i < length; ++i) {
      const uint32_t c = r.U16(at + 2 + 2 * uint64_t(i));
      if (!r.ok || c > 0x7F) return false;
      ascii += char(c);
    }
    return text::EqualsIgnoreCaseAscii(ascii, typeName);
  };
  auto subTable = [&](uint32_t offsetField, uint64_t& table) {
    if (!(offsetField & kHighBit)) return false;
    table = root + (offsetField & ~kHighBit);
    return table + 16 <= image.size();
  };
  uint64_t nameTable = 0, languageTable = 0;
  bool typeFound = false, idFound = false;
  for (const auto& [name, offset] : Entries(r, root)) {
    if (nameMatches(name) && subTable(offset, nameTable)) {
      typeFound = true;
      break;
    }
  }
  if (!typeFound) return fail("no resource of this type");
  for (const auto& [name, offset] : Entries(r, nameTable)) {
    if (!(name & kHighBit) && name == id && subTable(offset, languageTable)) {
      idFound = true;
      break;
    }
  }
  if (!idFound) return fail("no resource with this number");
  const auto languages = Entries(r, languageTable);
  if (languages.empty() || (languages[0].second & kHighBit)) return fail("damaged resource entry");
  const uint64_t entryAt = root + languages[0].second;
  const uint32_t dataRva = r.U32(entryAt), dataSize = r.U32(entryAt + 4);
  uint64_t dataAt;
  if (!r.ok || !toFile(dataRva, dataAt) || dataAt + dataSize > image.size())
    return fail("damaged resource entry");
  result.found = true;
  result.fileOffset = dataAt;
  result.size = dataSize;
  return result;
}

}  // namespace pe
