#include "VersionRecord.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include <windows.h>

#include "FileExists.h"

namespace {

// The twelve standard strings of a string table, in the order they are read.
struct StringField {
    const wchar_t* key;
    WideString VersionTranslation::*field;
};

const StringField StringFields[] = {
    {L"CompanyName", &VersionTranslation::CompanyName},
    {L"FileDescription", &VersionTranslation::FileDescription},
    {L"FileVersion", &VersionTranslation::FileVersion},
    {L"InternalName", &VersionTranslation::InternalName},
    {L"LegalCopyright", &VersionTranslation::LegalCopyright},
    {L"OriginalFilename", &VersionTranslation::OriginalFilename},
    {L"ProductName", &VersionTranslation::ProductName},
    {L"ProductVersion", &VersionTranslation::ProductVersion},
    {L"Comments", &VersionTranslation::Comments},
    {L"LegalTrademarks", &VersionTranslation::LegalTrademarks},
    {L"PrivateBuild", &VersionTranslation::PrivateBuild},
    {L"SpecialBuild", &VersionTranslation::SpecialBuild},
};

// The version data of one file, read into memory that is freed on every way out of Load.
class VersionBlock {
  public:
    explicit VersionBlock(DWORD size) : bytes_(size) {}

    bool Read(const wchar_t* path) {
        return GetFileVersionInfoW(path, 0, static_cast<DWORD>(bytes_.size()), bytes_.data()) !=
               FALSE;
    }

    // Returns the value under `subBlock` and its length as the resource states it, or null.
    const void* Query(const wchar_t* subBlock, UINT& length) {
        void* value = nullptr;
        length = 0;
        if (!VerQueryValueW(bytes_.data(), subBlock, &value, &length) || value == nullptr ||
            !Contains(value)) {
            return nullptr;
        }
        return value;
    }

    // Returns how many bytes of the block lie at and after `value`.
    std::size_t BytesFrom(const void* value) const {
        return static_cast<std::size_t>(bytes_.data() + bytes_.size() -
                                        static_cast<const BYTE*>(value));
    }

  private:
    bool Contains(const void* value) const {
        const BYTE* at = static_cast<const BYTE*>(value);
        return at >= bytes_.data() && at < bytes_.data() + bytes_.size();
    }

    std::vector<BYTE> bytes_;
};

VersionRecord::VersionNumbers SplitVersion(DWORD mostSignificant, DWORD leastSignificant) {
    return {HIWORD(mostSignificant), LOWORD(mostSignificant), HIWORD(leastSignificant),
            LOWORD(leastSignificant)};
}

// Returns the string under `key`, empty when the table lacks it. The text is taken up to its
// first NUL, but never past the end of the block, whatever a damaged resource claims; a value of
// length 0 has no text of its own, as the query then points at whatever follows the key.
WideString ReadString(VersionBlock& block, const WideString& prefix, const wchar_t* key) {
    WideString subBlock(prefix);
    subBlock.Append(key);
    UINT length = 0;
    const void* value = block.Query(subBlock.c_str(), length);
    if (value == nullptr || length == 0) {
        return WideString();
    }
    const wchar_t* text = static_cast<const wchar_t*>(value);
    std::size_t limit = block.BytesFrom(value) / sizeof(wchar_t);
    std::size_t count = std::find(text, text + limit, L'\0') - text;
    return WideString(std::wstring(text, count).c_str());
}

VersionTranslation ReadTranslation(VersionBlock& block, WORD language, WORD codePage) {
    VersionTranslation translation;
    translation.language = language;
    translation.codePage = codePage;
    WideString prefix;
    prefix.Format(L"\\StringFileInfo\\%04x%04x\\", language, codePage);
    for (const StringField& field : StringFields) {
        translation.*field.field = ReadString(block, prefix, field.key);
    }
    return translation;
}

}  // namespace

void VersionRecord::Clear() {
    path.Clear();
    fileVersion = {};
    productVersion = {};
    translations.clear();
}

// Called with the executable's own path at start-up. Each call starts from an empty record, so a
// failed call never leaves the data of an earlier file behind.
bool VersionRecord::Load(const wchar_t* filePath) {
    Clear();
    WideString target(filePath);
    if (!FileExists(target)) {
        return false;
    }
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(target.c_str(), &ignored);
    if (size == 0) {
        return false;
    }
    VersionBlock block(size);
    if (!block.Read(target.c_str())) {
        return false;
    }

    UINT length = 0;
    const void* root = block.Query(L"\\", length);
    if (root == nullptr || length != sizeof(VS_FIXEDFILEINFO) ||
        block.BytesFrom(root) < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    const VS_FIXEDFILEINFO* fixed = static_cast<const VS_FIXEDFILEINFO*>(root);
    fileVersion = SplitVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    productVersion = SplitVersion(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
    path = target;

    // Without a translation table there are no strings to read; the numbers still stand.
    const void* table = block.Query(L"\\VarFileInfo\\Translation", length);
    if (table == nullptr || length < 4) {
        return true;
    }
    std::size_t entries = std::min<std::size_t>(length, block.BytesFrom(table)) / 4;
    const WORD* words = static_cast<const WORD*>(table);
    for (std::size_t i = 0; i < entries; ++i) {
        translations.push_back(ReadTranslation(block, words[2 * i], words[2 * i + 1]));
    }
    return true;
}
