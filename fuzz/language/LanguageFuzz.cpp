// Fuzz target of the language file reader: any bytes as a language file, through every reading path.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "language/Language.h"
#include "language/LanguageDict.h"
#include "language/LanguageFile.h"
#include "trace/Trace.h"

namespace {

// The reader works on files, so each input is written to one scratch file of this process.
const std::string& ScratchPath() {
    static const std::string path = [] {
        char pattern[] = "/tmp/qrv_fuzz_lng_XXXXXX";
        int fd = mkstemp(pattern);
        if (fd < 0)
            std::abort();
        close(fd);
        return std::string(pattern);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetTraceLevel(-1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = ScratchPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    {
        CLanguageFile reader;
        LONG id = 0;
        reader.IsCapableToLoad(path.c_str(), &id);
        if (reader.OpenFile(path.c_str(), "r")) {
            LPSTR line = nullptr;
            for (int i = 0; i < 100000; ++i) {
                if (!reader.GetLine(&line) || line == nullptr)
                    break;
                LPSTR head = nullptr;
                LPSTR tail = nullptr;
                if (reader.SplitLine(line, &head, &tail, "\t ")) {
                    LONG value = 0;
                    reader.GetNumericValue(head, &value);
                    std::free(head);
                    std::free(tail);
                }
            }
            std::free(line);
        }
    }
    {
        CLanguage language;
        language.LoadLanguage(1, path.c_str());
        LPSTR text = nullptr;
        if (language.Lookup(1, 1, &text))
            std::free(text);
    }
    {
        CLanguageDict dict;
        if (dict.Load(path.c_str()))
            std::free(dict.GetLanguageText(dict.GetLanguageObj(0) != nullptr ? 0 : 1, 1));
    }
    // Removed after every input: the fuzzer may end without running exit handlers.
    unlink(path.c_str());
    return 0;
}
