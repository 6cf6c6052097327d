#include "data/BulkPost.h"
#include "data/Connection.h"
#include "data/Dataset.h"

#include <algorithm>
#include <exception>

namespace qv {

BulkPost::BulkPost(Dataset& dataset, int rowsPerCommit)
    : m_dataset(dataset), m_rowsPerCommit(std::max(1, rowsPerCommit))
{
    m_afterPost = std::move(dataset.afterPost);
    dataset.afterPost = [this](Dataset&) { m_deferred = true; };
}

BulkPost::~BulkPost()
{
    if (m_finished) return;
    try {
        finish();
    } catch (...) {}
}

void BulkPost::restoreRule() { m_dataset.afterPost = std::move(m_afterPost); }

void BulkPost::post()
{
    if (!m_open) {
        m_dataset.connection()->begin();
        m_open = true;
    }
    try {
        m_dataset.post();
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        // A refused or failed row was not stored: it must not stay pending, to be posted again by the next move.
        m_dataset.cancel();
        try {
            commitBatch();
        } catch (...) {
            // The post's own error is the one to report; the dataset shows what the file holds by now.
        }
        std::rethrow_exception(error);
    }
    ++m_posted;
    if (++m_inBatch >= m_rowsPerCommit) commitBatch();
}

void BulkPost::commitBatch()
{
    if (!m_open) return;
    m_open = false;
    m_inBatch = 0;
    Connection& connection = *m_dataset.connection();
    try {
        connection.commit();
    } catch (...) {
        // The batch was rolled back: re-read, so that no row is shown that the file does not hold.
        m_dataset.cancel();
        m_dataset.refresh();
        throw;
    }
}

void BulkPost::finish()
{
    if (m_finished) return;
    m_finished = true;
    std::exception_ptr error;
    try {
        commitBatch();
    } catch (...) {
        error = std::current_exception();
    }
    restoreRule();
    // Whatever was stored, the rule's refresh now shows it, as it would have after each post.
    if (m_deferred && m_dataset.afterPost) m_dataset.afterPost(m_dataset);
    if (error) std::rethrow_exception(error);
}

} // namespace qv
