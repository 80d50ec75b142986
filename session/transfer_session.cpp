#include "session/transfer_session.h"

namespace corvela {

void TransferSession::SetCurrentTarget(const Text& target) {
    std::lock_guard<std::mutex> lock(mutex_);
    current_target_ = target;
}

Text TransferSession::CurrentTarget() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_target_;
}

void TransferSession::AppendResult(const Text& result) {
    std::lock_guard<std::mutex> lock(mutex_);
    results_.push_back(result);
}

TextList TransferSession::Results() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return results_;
}

}  // namespace corvela
