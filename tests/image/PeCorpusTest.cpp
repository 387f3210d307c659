// A corpus of damaged copies of real DLLs: cut short at every header boundary and at steps
// through the tables, and with RVAs, counts and name pointers overwritten by large values.
// Every copy goes through Load and every enumeration; each result must be empty or what the
// intact part of the file holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "image/clsPeInfo.h"
#include "tests/image/PeSupport.h"

using pe_test::RawImage;
using Strings = std::vector<std::string>;

namespace {

struct Results {
    bool loaded = false;
    Strings imports;
    clsPeInfo::TextTable exports;
    long exportCount = 0;
    clsPeInfo::TextTable sections;
    std::vector<Strings> functions;
};

Results ReadEverything(const std::string& path) {
    Results r;
    clsPeInfo pe;
    r.loaded = pe.Load(path, "", "");
    long count = 0;
    pe.EnumerateImportedModules(r.imports, count);
    EXPECT_EQ(count, static_cast<long>(r.imports.size()));
    pe.EnumerateExportedFunctions(r.exports, r.exportCount);
    pe.EnumerateSections(r.sections);
    for (const auto& m : r.imports) {
        Strings names;
        std::vector<uint16_t> values;
        pe.EnumerateImportedFunctions(m, names, values, count);
        EXPECT_EQ(names.size(), values.size());
        r.functions.push_back(names);
    }
    (void)pe.RealCheckSum();
    (void)pe.ImageSize();
    return r;
}

// Each damaged result is empty or agrees with the intact file's where it has anything.
void ExpectPartOf(const Results& got, const Results& intact, const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_LE(got.imports.size(), intact.imports.size());
    for (size_t i = 0; i < got.imports.size(); ++i) {
        EXPECT_EQ(got.imports[i], intact.imports[i]);
        const Strings& all = intact.functions[i];
        ASSERT_LE(got.functions[i].size(), all.size());
        EXPECT_TRUE(std::equal(got.functions[i].begin(), got.functions[i].end(), all.begin()));
    }
    if (got.exportCount != 0) {
        ASSERT_EQ(got.exportCount, intact.exportCount);
        for (size_t k = 0; k < got.exports.size(); ++k) {
            EXPECT_EQ(got.exports[k][1], intact.exports[k][1]);
            if (!got.exports[k][0].empty()) {
                EXPECT_EQ(got.exports[k], intact.exports[k]);
            }
        }
    }
    if (got.loaded) {
        EXPECT_EQ(got.sections, intact.sections);
    }
}

class Corpus {
public:
    explicit Corpus(const std::string& name) {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        dir_ = std::string(tmp) + "velm-pe-corpus-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir_.c_str(), nullptr);
        path_ = dir_ + "\\" + name;
    }
    ~Corpus() {
        DeleteFileA(path_.c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    Results Run(const std::vector<unsigned char>& bytes, size_t len) {
        EXPECT_TRUE(pe_test::WriteAll(path_, bytes.data(), len));
        return ReadEverything(path_);
    }

private:
    std::string dir_, path_;
};

// Offsets worth cutting at: the header boundaries, every descriptor, name and table entry.
std::vector<size_t> CutPoints(const RawImage& raw) {
    std::vector<size_t> cuts = {0, 1, 2, 0x3C, 0x40, raw.ntOffset, raw.ntOffset + 4, raw.ntOffset + 6,
                                raw.optOffset, raw.optOffset + 2, raw.sectionOffset - 1, raw.sectionOffset,
                                raw.sectionOffset + 40u * raw.sections - 1, raw.sectionOffset + 40u * raw.sections};
    for (uint32_t d : raw.ImportDescriptors()) {
        for (uint32_t k = 0; k <= 20; k += 4) cuts.push_back(d + k);
        const uint32_t name = raw.Offset(raw.U32(d + 12));
        cuts.insert(cuts.end(), {name, name + 1, name + static_cast<uint32_t>(std::strlen(raw.Str(raw.U32(d + 12)).c_str()))});
        const uint32_t thunks = raw.Offset(raw.U32(d + 16));
        for (uint32_t k = 0; k <= 24; k += 2) cuts.push_back(thunks + k);
    }
    if (const uint32_t exp = raw.Offset(raw.U32(raw.DirectoryEntry(0)))) {
        for (uint32_t k = 0; k <= 40; k += 4) cuts.push_back(exp + k);
        for (uint32_t field : {28u, 32u, 36u}) {
            const uint32_t table = raw.Offset(raw.U32(exp + field));
            for (uint32_t k = 0; k <= 8; ++k) cuts.push_back(table + k);
        }
    }
    return cuts;
}

// 32-bit fields worth overwriting: directory entries, header counts, descriptor fields,
// export counts and table pointers, name pointers.
std::vector<size_t> Fields(const RawImage& raw) {
    std::vector<size_t> f = {0x3C, raw.ntOffset + 4, raw.ntOffset + 16 /* optional header size, sections */,
                             raw.DirectoryEntry(0), raw.DirectoryEntry(0) + 4, raw.DirectoryEntry(1),
                             raw.DirectoryEntry(1) + 4, raw.optOffset + 56 /* SizeOfImage */};
    for (uint16_t i = 0; i < raw.sections; ++i)
        for (uint32_t k : {8u, 12u, 16u, 20u}) f.push_back(raw.sectionOffset + 40u * i + k);
    for (uint32_t d : raw.ImportDescriptors()) {
        for (uint32_t k : {0u, 4u, 12u, 16u}) f.push_back(d + k);
        const uint32_t t = raw.Offset(raw.U32(d + 16));
        f.push_back(t);
        f.push_back(t + (raw.pe64 ? 8 : 4));
    }
    if (const uint32_t exp = raw.Offset(raw.U32(raw.DirectoryEntry(0)))) {
        for (uint32_t k : {16u, 20u, 24u, 28u, 32u, 36u}) f.push_back(exp + k);
        f.push_back(raw.Offset(raw.U32(exp + 32)));
        f.push_back(raw.Offset(raw.U32(exp + 36)));  // the first name ordinal (and its neighbour)
    }
    return f;
}

void RunCorpus(const std::string& source, size_t steps) {
    const std::vector<unsigned char> bytes = pe_test::ReadAll(source);
    ASSERT_GT(bytes.size(), 1024u) << source;
    const RawImage raw(bytes);
    Corpus corpus("damaged.dll");
    const Results intact = corpus.Run(bytes, bytes.size());
    ASSERT_TRUE(intact.loaded);

    std::vector<size_t> cuts = CutPoints(raw);
    for (size_t i = 1; i < steps; ++i) cuts.push_back(bytes.size() * i / steps);
    for (size_t cut : cuts) {
        if (cut >= bytes.size()) continue;
        const Results r = corpus.Run(bytes, cut);
        ExpectPartOf(r, intact, source + " cut at " + std::to_string(cut));
        if (cut < raw.sectionOffset + 40u * raw.sections) {
            EXPECT_FALSE(r.loaded) << "cut at " << cut;
        }
    }

    const uint32_t large[] = {0xFFFFFFFFu, 0x7FFFFFF0u, 0x80000000u, static_cast<uint32_t>(bytes.size()),
                              static_cast<uint32_t>(bytes.size() - 1), 0x00FFFFFFu};
    for (size_t field : Fields(raw)) {
        if (field + 4 > bytes.size()) continue;
        for (uint32_t v : large) {
            std::vector<unsigned char> damaged = bytes;
            std::memcpy(&damaged[field], &v, 4);
            const Results r = corpus.Run(damaged, damaged.size());
            // Nothing can be promised about the content here, only that it stays in bounds.
            EXPECT_LE(r.exports.size(), bytes.size() / 4) << "field " << field;
            EXPECT_LE(r.imports.size(), bytes.size() / 20) << "field " << field;
        }
    }
}

}  // namespace

TEST(PeCorpus, FixtureDllsOfBothKinds) {
    for (const char* kind : {"x64", "x86"}) {
        RunCorpus(pe_test::FixtureDir(kind) + "\\fxroot.dll", 64);
        RunCorpus(pe_test::FixtureDir(kind) + "\\fxb.dll", 16);
    }
}

TEST(PeCorpus, SystemDll) {
    RunCorpus(pe_test::SystemDir() + "\\version.dll", 64);
}
