#include "build_signature.h"

#include "platform_services.h"
#include "signature_finder.h"
#include "texts.h"
#include "wide_text.h"

#include <string_view>

namespace {

constexpr size_t DateOffset = 9; // "QM Build " comes first

class LineAppender final : public SignatureSink {
public:
    LineAppender(PlatformServices& platform, wchar_t* line, size_t capacity, int32_t& version)
        : platform_(platform), line_(line), capacity_(capacity), version_(version)
    {}

    void OnSignature(const char* signature) override
    {
        // A signature that cannot be converted appends nothing; its number still counts.
        wchar_t buffer[SignatureLength];
        const std::wstring_view wide = platform_.ToWideText(std::string_view(signature, SignatureLength), buffer);
        AppendText(line_, capacity_, wide.data(), wide.size());
        version_ = VersionNumber(signature);
    }

private:
    PlatformServices& platform_;
    wchar_t* line_;
    size_t capacity_;
    int32_t& version_;
};

} // namespace

int32_t VersionNumber(const char* signature)
{
    // "AA-BB-YYYY" after the prefix; the number is YYYYAABB.
    const char* date = signature + DateOffset;
    constexpr size_t order[] = {6, 7, 8, 9, 0, 1, 3, 4};
    int32_t number = 0;
    for (size_t position : order) {
        // A loop over the digits in their order reads as the definition does.
        // cppcheck-suppress useStlAlgorithm
        number = number * 10 + (date[position] - '0');
    }
    return number;
}

void ScanBuildSignatures(PlatformServices& platform,
                         const wchar_t* path,
                         wchar_t* line,
                         size_t lineCapacity,
                         int32_t& version,
                         ScanRule rule)
{
    const std::unique_ptr<InputFile> file = platform.OpenForReading(path);
    if (!file) {
        AppendText(line, lineCapacity, text::NotAvailable);
        return;
    }
    LineAppender appender(platform, line, lineCapacity, version);
    ForEachSignature(*file, appender);
    // Applied after every line, the rule leaves 1 exactly when the file's last
    // signature has number 0 or there is none, so applying it once is the same.
    if (rule == ScanRule::InstalledFile && version == 0) {
        version = 1;
    }
}
