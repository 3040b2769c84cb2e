// Administration of profiles and of one profile's message services.
#pragma once

#include <string>

#include "platform/mapi/ComObject.h"
#include "platform/mapi/ProfileDb.h"

namespace qrvmapi {

class CProfAdminImpl : public CComObject<IProfAdmin> {
public:
    HRESULT GetProfileTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT CreateProfile(LPCSTR lpszProfileName, LPCSTR lpszPassword, ULONG_PTR ulUIParam,
                          ULONG ulFlags) override;
    HRESULT DeleteProfile(LPCSTR lpszProfileName, ULONG ulFlags) override;
    HRESULT SetDefaultProfile(LPCSTR lpszProfileName, ULONG ulFlags) override;
    HRESULT AdminServices(LPCSTR lpszProfileName, LPCSTR lpszPassword, ULONG_PTR ulUIParam, ULONG ulFlags,
                          LPSERVICEADMIN* lppServiceAdmin) override;

protected:
    bool Supports(REFIID riid) const override { return riid == IID_IProfAdmin; }
};

class CMsgServiceAdminImpl : public CComObject<IMsgServiceAdmin> {
public:
    explicit CMsgServiceAdminImpl(LONGLONG profile) : m_profile(profile) {}

    HRESULT GetMsgServiceTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT CreateMsgService(LPCSTR lpszService, LPCSTR lpszDisplayName, ULONG_PTR ulUIParam,
                             ULONG ulFlags) override;
    HRESULT DeleteMsgService(LPMAPIUID lpUID) override;
    HRESULT ConfigureMsgService(LPMAPIUID lpUID, ULONG_PTR ulUIParam, ULONG ulFlags, ULONG cValues,
                                LPSPropValue lpProps) override;
    HRESULT GetProviderTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    // CreateMsgService of a personal-folders service and ConfigureMsgService of it in one
    // transaction of the profile database; lpUID gets its uid.
    HRESULT CreateConfiguredService(LPCSTR lpszDisplayName, ULONG cValues, LPSPropValue lpProps,
                                    LPMAPIUID lpUID);

protected:
    bool Supports(REFIID riid) const override { return riid == IID_IMsgServiceAdmin; }

private:
    LONGLONG m_profile;
};

// Where a store file named in a service's configuration lives: a bare file name goes to the
// stores directory of the machine root, a relative path is taken from the working directory.
std::string ResolveStorePath(const std::string& path);

}  // namespace qrvmapi
