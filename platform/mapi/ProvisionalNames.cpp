// Provisional ids of property names, shared by every store connection of the process.
#include "platform/mapi/ProvisionalNames.h"

#include <algorithm>

namespace qrvmapi {

bool SameName(const CNamedId& a, const CNamedId& b) {
    return a.m_guid == b.m_guid && a.m_kind == b.m_kind && a.m_lid == b.m_lid && a.m_name == b.m_name;
}

CProvisionalNames& CProvisionalNames::Service() {
    static CProvisionalNames* service = new CProvisionalNames;  // used until the very end of the process
    return *service;
}

ULONG CProvisionalNames::Give(const CNamesKey& key, const CNamedId& name, ULONG fileNext) {
    std::lock_guard<std::mutex> guard(m_lock);
    std::map<ULONG, CNamedId>& given = m_files[key];
    ULONG next = fileNext;
    for (const auto& [pid, held] : given) {
        if (SameName(held, name)) {
            return pid;
        }
        next = std::max(next, pid + 1);
    }
    given.emplace(next, name);
    m_count.fetch_add(1, std::memory_order_release);
    return next;
}

ULONG CProvisionalNames::Above(const CNamesKey& key, ULONG fileNext) const {
    std::lock_guard<std::mutex> guard(m_lock);
    ULONG next = fileNext;
    auto file = m_files.find(key);
    if (file != m_files.end() && !file->second.empty()) {
        next = std::max(next, file->second.rbegin()->first + 1);
    }
    return next;
}

bool CProvisionalNames::Find(const CNamesKey& key, ULONG pid, CNamedId& name) const {
    std::lock_guard<std::mutex> guard(m_lock);
    auto file = m_files.find(key);
    if (file == m_files.end()) {
        return false;
    }
    auto entry = file->second.find(pid);
    if (entry == file->second.end()) {
        return false;
    }
    name = entry->second;
    return true;
}

std::vector<std::pair<ULONG, CNamedId>> CProvisionalNames::Pending(const CNamesKey& key) const {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<std::pair<ULONG, CNamedId>> pending;
    auto file = m_files.find(key);
    if (file != m_files.end()) {
        pending.assign(file->second.begin(), file->second.end());
    }
    return pending;
}

void CProvisionalNames::Settle(const CNamesKey& key, ULONG pid) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto file = m_files.find(key);
    if (file != m_files.end() && file->second.erase(pid) != 0) {
        m_count.fetch_sub(1, std::memory_order_release);
        if (file->second.empty()) {
            m_files.erase(file);
        }
    }
}

void CProvisionalNames::Reset() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_files.clear();
    m_count.store(0, std::memory_order_release);
}

}  // namespace qrvmapi
