// qrvcatalog: makes the program directory's property data from the property catalog at build time.
//
//   qrvcatalog <catalog.json> <language source dir> <program dir>
//
// Writes the six default property files, KeyTable.ini, Defaults.ini, Exclusion.ini and the
// language files with the property display names into the program directory. A file whose
// content is already right is left alone, so builds stay incremental.
#include <cstdio>
#include <string>

#include "data/CatalogOutputs.h"
#include "data/PropertyCatalog.h"
#include "platform/win32/AtomicFile.h"
#include "trace/Trace.h"

namespace {

bool WriteIfChanged(const std::string& strPath, const std::string& strContent) {
    std::string strOld;
    if (qrvfile::ReadWholeFile(strPath, strOld) && strOld == strContent)
        return true;
    if (!qrvfile::WriteFileAtomically(strPath, strContent)) {
        fprintf(stderr, "qrvcatalog: cannot write %s\n", strPath.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: qrvcatalog <catalog.json> <language source dir> <program dir>\n");
        return 2;
    }
    // A build step reports its own errors; the model's traces would only clutter the build log.
    SetTraceLevel(-1);
    const std::string strCatalogPath = argv[1];
    const std::string strLangDir = std::string(argv[2]) + "/";
    const std::string strOutDir = std::string(argv[3]) + "/";

    std::string strText, strError;
    if (!qrvfile::ReadWholeFile(strCatalogPath, strText)) {
        fprintf(stderr, "qrvcatalog: cannot read %s\n", strCatalogPath.c_str());
        return 1;
    }
    PropertyCatalog catalog;
    if (!ParsePropertyCatalog(strText, catalog, strError)) {
        fprintf(stderr, "qrvcatalog: %s: %s\n", strCatalogPath.c_str(), strError.c_str());
        return 1;
    }

    bool bOK = true;
    for (const CatalogItemType& type : catalog.itemTypes) {
        std::string strBytes;
        if (!BuildDefaultPropertyFile(type, strBytes, strError)) {
            fprintf(stderr, "qrvcatalog: %s: %s\n", type.strFile.c_str(), strError.c_str());
            return 1;
        }
        bOK = WriteIfChanged(strOutDir + type.strFile, strBytes) && bOK;
    }
    const struct {
        CatalogTable table;
        const char* pszFile;
    } tables[] = {{CatalogTable::KeyTable, "KeyTable.ini"},
                  {CatalogTable::Defaults, "Defaults.ini"},
                  {CatalogTable::Exclusion, "Exclusion.ini"}};
    for (const auto& entry : tables) {
        std::string strIni;
        if (!BuildIniTable(catalog, entry.table, strIni, strError)) {
            fprintf(stderr, "qrvcatalog: %s: %s\n", entry.pszFile, strError.c_str());
            return 1;
        }
        bOK = WriteIfChanged(strOutDir + entry.pszFile, strIni) && bOK;
    }
    const struct {
        const char* pszFile;
        bool bGerman;
    } languages[] = {{"English.lng", false}, {"German.lng", true}};
    for (const auto& lang : languages) {
        std::string strLng;
        if (!qrvfile::ReadWholeFile(strLangDir + lang.pszFile, strLng)) {
            fprintf(stderr, "qrvcatalog: cannot read %s%s\n", strLangDir.c_str(), lang.pszFile);
            return 1;
        }
        bOK =
            WriteIfChanged(strOutDir + lang.pszFile, MergeDisplayNames(strLng, catalog, lang.bGerman)) && bOK;
    }
    return bOK ? 0 : 1;
}
