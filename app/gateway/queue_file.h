#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <variant>

#include "gateway/gateway.h"
#include "gateway/queue_log.h"

namespace tvx::app {

// The gateway's durable queue: queue.jsonl in the state folder, every record synced before it
// counts. Requests are recorded on Paho's thread (before Paho is told they were taken) and
// synced on the gateway's once it has taken them up, most often with the mark before their
// packet: one sync for both. The rest is recorded on the gateway's; one lock keeps the records
// whole. The file is rewritten with only
// what is live at each start and whenever it has grown to twice that.
class QueueFile : public tvx::gateway::QueueStore {
 public:
  // Takes the state folder for this gateway alone (a second one is refused), reads its queue
  // and writes it compacted. An error is a line for the operator.
  [[nodiscard]] static std::variant<std::unique_ptr<QueueFile>, std::string> Open(
      const std::string& dir, std::int64_t now_utc_ms);
  ~QueueFile() override;
  QueueFile(const QueueFile&) = delete;
  QueueFile& operator=(const QueueFile&) = delete;

  // What it held at the start; read it before any request arrives.
  const tvx::gateway::QueueLog& Log() const { return log_; }
  std::string Path() const { return path_; }

  // An arrived request, recorded; false when it could not be (said once). It is synced with
  // the next record that is (its mark when it goes out at once), or by Settle.
  bool Keep(tvx::gateway::MqttMessage& message, std::int64_t received_utc_ms);
  void Writing(std::uint64_t seq, std::size_t unit, std::size_t bytes_before) override;
  void Answered(std::uint64_t seq, const std::optional<std::string>& keep_id,
                const std::string& answer, std::int64_t at_utc_ms) override;
  void Settle() override;

  // The broker took the answer to seq.
  void Delivered(std::uint64_t seq);

  void OnWarning(std::function<void(const std::string&)> warn) { warn_ = std::move(warn); }

 private:
  QueueFile(std::string path, int lock_fd, tvx::gateway::QueueLog log);
  bool Append(const std::string& line, bool sync = true);  // with the lock held
  bool Compact();                                          // with the lock held
  void Warn(const std::string& text);

  std::mutex mutex_;
  std::string path_;
  int lock_fd_ = -1;
  int fd_ = -1;
  tvx::gateway::QueueLog log_;
  std::size_t size_ = 0;       // bytes in the file
  std::size_t compacted_ = 0;  // bytes after the last compaction
  bool failing_ = false;       // a failure was told and no write has worked since
  bool unsynced_ = false;      // a request was recorded and not synced yet
  std::function<void(const std::string&)> warn_;
};

}  // namespace tvx::app
