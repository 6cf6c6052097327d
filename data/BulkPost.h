#pragma once
// Many posts through one dataset as one piece of work, for imports. The posts share write transactions of up to
// rowsPerCommit rows each (one disk sync per batch instead of one per row), and the dataset's after-post rule
// runs once, when the work ends, instead of after every post: what it refreshes then shows every row posted.
// Each post is still the dataset's own post, with its before-post rules and its width checks.

#include <functional>

namespace qv {

class Dataset;

class BulkPost {
public:
    explicit BulkPost(Dataset& dataset, int rowsPerCommit = 50000);
    ~BulkPost(); // finishes when finish() has not run; errors are swallowed there
    BulkPost(const BulkPost&) = delete;
    BulkPost& operator=(const BulkPost&) = delete;

    // Posts the dataset's row in insert or edit state within the current batch, committing a full batch.
    // When the post fails, the rows posted before it are committed, the failed row is dropped from the
    // dataset (nothing of it was stored), and the error is thrown on.
    void post();
    // Commits the open batch and runs the deferred after-post rule once, if anything was posted. When the
    // commit fails, the dataset is re-read so that it shows what the file holds, and the error is thrown on.
    void finish();

    int posted() const { return m_posted; }

private:
    void commitBatch();
    void restoreRule();

    Dataset& m_dataset;
    int m_rowsPerCommit;
    int m_inBatch = 0;
    int m_posted = 0;
    bool m_open = false; // a batch transaction is open
    bool m_finished = false;
    bool m_deferred = false; // the after-post rule was asked for
    std::function<void(Dataset&)> m_afterPost;
};

} // namespace qv
