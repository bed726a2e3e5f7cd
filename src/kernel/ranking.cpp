#include "kernel/ranking.h"

#include "pages/page_hash.h"
#include "pages/project_manager.h"
#include "runtime/messages.h"
#include "runtime/random.h"
#include "runtime/resource.h"
#include "runtime/sjis.h"

#include "base/clock.h"
#include "base/reporter.h"
#include "base/shell.h"

namespace ravok {

namespace {

// The key the signature is made with, kept as text.
constexpr std::string_view kSignatureKey = "7C3A91E5";

uint16_t crc16(uint16_t crc, std::string_view bytes) {
    for (unsigned char b : bytes) {
        crc ^= uint16_t(b) << 8;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x8000) ? uint16_t((crc << 1) ^ 0x1021) : uint16_t(crc << 1);
    }
    return crc;
}

} // namespace

TRanking& TRanking::instance() {
    static TRanking ranking;
    return ranking;
}

TRanking::TRanking() { reset(); }

void TRanking::reset() {
    params_.clear();
    remainingOpens_ = 6;
    lastOpenMs_ = NowMs();
}

void TRanking::setParam(std::string_view name, std::string_view value) {
    for (auto it = params_.begin(); it != params_.end(); ++it) {
        if (equalsNoCase(it->first, name)) {
            if (value.empty())
                params_.erase(it);
            else
                it->second = std::string(value);
            return;
        }
    }
    if (!value.empty()) params_.emplace_back(std::string(name), std::string(value));
}

void TRanking::takeTreeHash() {
    treeFiles_ = sourceFiles(resourceRoot());
    treeHashed_ = false;
}

int32_t TRanking::treeHash() const {
    if (!treeHashed_) {
        TRandom& random = TRandom::instance();
        uint32_t kept = random.state();
        treeHash_ = fileHashSum(treeFiles_);
        random.restore(kept);
        treeHashed_ = true;
    }
    return treeHash_;
}

uint16_t TRanking::signature() const {
    uint16_t crc = crc16(0xFFFF, kSignatureKey);
    for (const auto& [name, value] : params_)
        crc = crc16(crc, name + "=" + value + "&");
    uint32_t project = uint32_t(TPrjManager::instance().projectHash());
    crc = crc16(crc, std::to_string(project) + ":" + std::to_string(uint32_t(treeHash())));
    return crc16(crc, kSignatureKey);
}

bool TRanking::openBrowser(std::string_view url) {
    std::string address = std::string(url) + "?";
    for (const auto& [name, value] : params_)
        address += name + "=" + value + "&";
    address += "ID=" + std::to_string(signature());
    if (address.rfind("http://", 0) != 0) {
        ReportError(translate("URL must start with http://"));
        return false;
    }
    long double now = NowMs();
    long double allowance = (now - lastOpenMs_) / 60000.0L * 6.0L;
    if (6 - remainingOpens_ < allowance) remainingOpens_ = 6;
    if (remainingOpens_ <= 0) {
        ReportError(translate("Web Browser cannot be opened more than 6 times/min."));
        return false;
    }
    --remainingOpens_;
    lastOpenMs_ = now;
    shell().openAddress(address);
    params_.clear();
    return true;
}

} // namespace ravok
