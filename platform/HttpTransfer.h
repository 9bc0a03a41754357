#pragma once
// One blocking HTTP read through WinINet: the transfer beneath the control host's background reads
// and the update check's download. It touches no window, so it may run on any thread.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct TransferOptions {
    bool fresh = false;     // from the server itself: the cache is neither read nor filled
    DWORD stallMs = 30000;  // give up when connecting, or any wait for data, takes longer
    DWORD totalMs = 0;      // give up when the whole transfer takes longer; 0 for no such limit
    DWORD headBytes = 0;    // read no more than this (the answer counts as whole then); 0: all
};

struct TransferResult {
    bool complete = false;  // a 2xx answer, received to its announced end or as far as its head
    DWORD status = 0;       // the HTTP status, 0 when none arrived
    std::vector<unsigned char> data;
};

// Called after each block with the count so far and the announced length (nullopt when the
// server announced none); returning false abandons the transfer.
using TransferProgress = std::function<bool(uint64_t received, std::optional<uint64_t> announced)>;

// Why a URL cannot be read at all (a WinINet error number), or nullopt when it can be tried.
std::optional<DWORD> UrlRefusal(const std::string& ansiUrl);
std::wstring UrlRefusalText(DWORD number);

// A redirect from https never leads to plain http: what was asked for in private is not fetched in the open.
bool RedirectAllowed(const std::string& from, const std::string& to);

TransferResult HttpTransfer(const std::string& ansiUrl, const TransferOptions& options,
                            const TransferProgress& progress = {});
