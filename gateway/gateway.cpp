#include "gateway/gateway.h"

#include <map>
#include <unordered_map>

#include "gateway/answered_ids.h"
#include "gateway/answers.h"
#include "gateway/catalogue_json.h"
#include "gateway/device_states.h"
#include "gateway/iso_time.h"
#include "gateway/json.h"
#include "gateway/pacer.h"
#include "gateway/queue_log.h"
#include "gateway/request.h"
#include "gateway/shared_port.h"

namespace tvx::gateway {

namespace {

constexpr int kHousekeepingMs = 100;
constexpr char kRetainedRequest[] =
    "a retained request is never run: it would run again at every restart; publish it "
    "without the retain flag";
constexpr char kStopped[] = "the gateway stopped before it was written; nothing was sent";
constexpr char kCrashed[] =
    "the gateway stopped while writing it (it was killed or the machine went down); the "
    "packet then going out may have gone in part or whole";

// Who waits for an answer, and where it goes besides B/response.
struct Requester {
  Asked asked;
  std::optional<std::string> response_topic;
  std::optional<std::string> correlation_data;
  std::uint64_t seq = 0;  // in the durable queue
};

}  // namespace

struct Gateway::State {
  State(Options o, MqttSession& m, BusLink& l, WallClock& c, Formats f, JournalSink* j,
        QueueStore* q)
      : options(std::move(o)),
        mqtt(m),
        clock(c),
        formats(std::move(f)),
        journal(j),
        queue(q),
        pacer(
            options.pace_ms, options.queue, l,
            {[this] { return Now(); },
             [this](Job& job) {
               if (queue && job.seq) queue->Writing(job.seq, job.next, job.went);
             },
             [this](Job& job, std::string_view unit, const WriteResult& r) { Wrote(job, unit, r); },
             [this](std::unique_ptr<Job> job, const JobEnd& end) { Ended(std::move(job), end); }}),
        consoles(options.pace_ms, {[this] { return Now(); },
                                   [this](std::unique_ptr<Job>& job) {
                                     Deadlines(*job, Request{}, MqttMessage{});  // --max-age alone
                                     const bool taken = pacer.Add(job);
                                     Wake();
                                     return taken;
                                   },
                                   [this](const std::string& source, std::string_view bytes,
                                          std::string_view why) { Refused(source, bytes, why); },
                                   [this](const std::string& source) {
                                     if (console_resume) console_resume(source);
                                   }}),
        housekeeping("GatewayHousekeeping", kHousekeepingMs, true) {
    start_ms = Now();
    link.since_utc_ms = start_ms;
    link.error = "not opened yet";
    if (options.devices) {
      devices.emplace(*options.devices, [this](const sim::Device& d, std::int64_t updated) {
        PublishDevice(d, updated);
      });
    }
    housekeeping.on_tick = [this] { Housekeeping(); };
    housekeeping.idle = [this] { return Idle(); };
  }

  // Nothing for housekeeping to do: no device state held back or just told, the status's
  // queue and consoles as told.
  bool Idle() const {
    return (!devices || devices->Idle()) && pacer.Waiting() == told_queue &&
           consoles_connected == told_consoles;
  }
  // Housekeeping runs only while there is something for it: an idle gateway sleeps.
  void Wake() {
    if (!housekeeping.Enabled() && !stopped) housekeeping.SetEnabled(true);
  }

  std::int64_t Now() { return clock.Now().utc_ms; }
  std::string Topic(std::string_view leaf) const {
    return options.prefix + "/" + options.bus + "/" + std::string(leaf);
  }

  void Publish(std::string_view leaf, std::string payload, int qos, bool retained) {
    MqttMessage m;
    m.topic = Topic(leaf);
    m.payload = std::move(payload);
    m.qos = qos;
    m.retained = retained;
    mqtt.Publish(m);
  }

  // The retained topics.
  void PublishStatus() {
    told_queue = pacer.Waiting();
    told_consoles = consoles_connected;
    if (!connected) return;
    JsonObject o;
    o.Add("state", "online")
        .Add("version", options.version)
        .Add("bus", options.bus_description)
        .Add("since", IsoUtc(start_ms))
        .Add("queue", static_cast<std::int64_t>(told_queue));
    if (consoles_connected) o.Add("consoles", static_cast<std::int64_t>(*consoles_connected));
    Publish("status", o.Text(), 1, true);
  }

  void PublishLink() {
    if (!connected) return;
    JsonObject o;
    o.Add("state", link.up ? "up" : "down");
    if (!link.up) o.Add("error", link.error);
    o.Add("destination", link.destination).Add("since", IsoUtc(link.since_utc_ms));
    Publish("link", o.Text(), 1, true);
  }

  void PublishDevices() {
    std::string list = "[";
    for (const sim::DeviceEntry& d : options.devices.value_or(std::vector<sim::DeviceEntry>{})) {
      list += (list.size() > 1 ? "," : "") + JsonObject()
                                                 .Add("kind", sim::KindName(d.kind))
                                                 .Add("serial", d.serial)
                                                 .Add("group", d.group)
                                                 .Add("unit", d.unit)
                                                 .Text();
    }
    Publish("devices", list + "]", 1, true);
  }

  void PublishDevice(const sim::Device& d, std::int64_t updated) {
    if (!connected || !formats.device_state) return;
    const std::string at = updated < 0 ? std::string("null") : JsonString(IsoUtc(updated));
    Publish("device/" + std::to_string(d.identity.serial) + "/state",
            WithMembers(formats.device_state(d), "\"updated\":" + at), 1, true);
  }

  void PublishRetained() {
    if (!connected) return;
    PublishStatus();
    PublishLink();
    PublishDevices();
    if (devices) devices->TellAll();
    if (catalogue.empty()) catalogue = CatalogueJson();
    Publish("catalogue", catalogue, 1, true);
  }

  void Housekeeping() {
    if (devices) devices->Tick();
    if (pacer.Waiting() != told_queue || consoles_connected != told_consoles) PublishStatus();
    if (Idle()) housekeeping.SetEnabled(false);
  }

  // Answers go to B/response and to the request's own response topic.
  // Tagged with the request's number, so the queue learns when the broker took it.
  void PublishAnswer(const std::string& json, const std::optional<std::string>& response_topic,
                     const std::optional<std::string>& correlation_data, std::uint64_t seq) {
    MqttMessage m;
    m.topic = Topic("response");
    m.payload = json;
    m.sequence = seq;
    mqtt.Publish(m);
    if (response_topic && !response_topic->empty()) {
      m.topic = *response_topic;
      m.correlation_data = correlation_data;
      mqtt.Publish(m);
    }
  }

  void Answer(const Requester& to, const gateway::Answer& answer, bool keep) {
    PublishAnswer(answer.json, to.response_topic, to.correlation_data, to.seq);
    const bool kept = keep && to.asked.id;
    if (kept) answered.Keep(*to.asked.id, answer.json, Now());
    if (queue && to.seq)
      queue->Answered(to.seq, kept ? to.asked.id : std::nullopt, answer.json, Now());
  }

  void Take(const MqttMessage& message, std::int64_t received) {
    if (message.retained && message.payload.empty()) {  // a cleared request
      if (queue && message.sequence) queue->Answered(message.sequence, {}, {}, Now());
      return;
    }
    if (message.retained) Publish("request", "", 1, true);
    Arrived(message, received);
  }

  void Arrived(const MqttMessage& message, std::int64_t received) {
    Requester from;
    from.asked.received_utc_ms = received;
    from.response_topic = message.response_topic;
    from.correlation_data = message.correlation_data;
    from.seq = message.sequence;
    auto parsed = ParseRequest(message.payload);
    if (auto* e = std::get_if<RequestError>(&parsed)) {
      from.asked.id = e->id;
      if (message.retained) return Answer(from, InvalidAnswer(from.asked, kRetainedRequest), false);
      return Answer(from, InvalidAnswer(from.asked, e->message), true);
    }
    const Request& request = std::get<Request>(parsed);
    from.asked.id = request.id;
    if (message.retained) return Answer(from, InvalidAnswer(from.asked, kRetainedRequest), false);
    if (const std::string* original = answered.Find(request.id, from.asked.received_utc_ms)) {
      // The broker sending the same message again (its acknowledgement was lost): the same
      // answer again, not a second one.
      if (message.redelivered) return Answer(from, {"", *original}, false);
      return Answer(from, DuplicateAnswer(from.asked, *original), false);
    }
    if (auto it = waiting.find(request.id); it != waiting.end()) {
      if (message.redelivered) {  // the first one's answer will do
        if (queue && from.seq) queue->Answered(from.seq, std::nullopt, {}, Now());
        return;
      }
      it->second.push_back(from);  // answered with the first one's answer once it has one
      return;
    }
    auto prepared = Prepare(request, options.link);
    if (auto* refusal = std::get_if<Refusal>(&prepared)) {
      return Answer(from,
                    refusal->invalid ? InvalidAnswer(from.asked, refusal->text)
                                     : RejectedAnswer(from.asked, refusal->text),
                    true);
    }
    Prepared& p = std::get<Prepared>(prepared);
    auto job = std::make_unique<Job>();
    job->asked = from.asked;
    job->seq = from.seq;
    job->response_topic = from.response_topic;
    job->correlation_data = from.correlation_data;
    job->units = std::move(p.units);
    job->status = p.outcome.message;
    job->tally = p.tally;
    Deadlines(*job, request, message);
    waiting[request.id];
    const bool taken = pacer.Add(job);
    Wake();
    if (!taken) {
      waiting.erase(request.id);
      Answer(from, BusyAnswer(from.asked, options.queue), false);
    }
  }

  void Deadlines(Job& job, const Request& request, const MqttMessage& message) {
    auto d = EarliestDeadline(job.asked.received_utc_ms, options.max_age_s, message.expiry_seconds,
                              request.expires_utc_ms);
    if (d && d->at_utc_ms < job.deadline_utc_ms) {
      job.deadline_utc_ms = d->at_utc_ms;
      job.deadline_why = std::move(d->why);
    }
  }

  void Wrote(Job& job, std::string_view unit, const WriteResult& result) {
    if (!job.journal) {
      job.journal = std::make_unique<console::Journal>(
          [this] { return clock.Now(); }, [this](protocol::Link) { return link.destination; },
          [this](protocol::Link) { return last_write_error; });
      job.journal->AddListener([this, &job](const console::JournalEntry& e) { Journaled(job, e); });
    }
    last_write_error = result.error;
    const std::string_view went = result.ok ? unit : unit.substr(0, result.bytes);
    job.journal->Written(options.link, went, result.ok);
    if (devices) devices->Feed(went, Now());
    Wake();
  }

  void Journaled(const Job& job, const console::JournalEntry& entry) {
    Journaled(job.source, job.asked.id, entry);
  }

  void Journaled(const std::string& source, const std::optional<std::string>& id,
                 const console::JournalEntry& entry) {
    if (journal) {
      console::JournalEntry with_source = entry;
      with_source.source = source;
      journal->Record(with_source);
    }
    if (!connected || !formats.journal_line) return;
    JsonObject extra;
    extra.Add("source", source);
    if (id) extra.Add("id", *id);
    const std::string members = extra.Text();
    Publish("sent", WithMembers(formats.journal_line(entry), members.substr(1, members.size() - 2)),
            0, false);
  }

  // A console's bytes that are never written: journaled and on B/sent as not written.
  void Refused(const std::string& source, std::string_view bytes, std::string_view why) {
    console::JournalEntry e;
    e.time = clock.Now();
    e.link = options.link;
    e.destination = link.destination;
    e.packets = console::JournalPackets(bytes);
    e.written = false;
    e.error = why;
    e.status = "tvxorm gateway: " + e.error;
    Journaled(source, std::nullopt, e);
  }

  void ConsoleEnded(std::unique_ptr<Job> job, const JobEnd& end) {
    const bool written = end.kind == JobEnd::kWritten;
    const std::string why = end.kind == JobEnd::kExpired   ? job->deadline_why
                            : end.kind == JobEnd::kStopped ? std::string(kConsoleStopped)
                                                           : end.error;
    if (job->journal) {
      if (!written) job->journal->Fail(why);
      job->journal->End(written ? std::string() : "tvxorm gateway: " + why);
    } else if (!written) {
      Refused(job->source, job->Bytes(), why);
    }
    consoles.Ended(job->source);
  }

  void Ended(std::unique_ptr<Job> job, const JobEnd& end) {
    Wake();  // the queue is shorter
    if (job->console) return ConsoleEnded(std::move(job), end);
    const std::int64_t now = Now();
    gateway::Answer answer;
    switch (end.kind) {
      case JobEnd::kWritten:
        answer = WrittenAnswer(job->asked, Latin1ToUtf8(job->status), job->Bytes(), now);
        break;
      case JobEnd::kFailed:
        answer = FailedAnswer(job->asked, end.error, job->Bytes(), job->went, now);
        break;
      case JobEnd::kExpired:
        answer = ExpiredAnswer(job->asked, job->deadline_why);
        break;
      case JobEnd::kStopped:
        answer = job->next ? InterruptedAnswer(job->asked, "the gateway stopped part way",
                                               job->Bytes(), job->went, job->next, now)
                           : FailedAnswer(job->asked, kStopped, job->Bytes(), job->went, now);
        break;
    }
    if (job->journal) {
      std::optional<console::AndonTally> tally = job->tally;
      if (tally) tally->completed = end.kind == JobEnd::kWritten;
      const bool written = end.kind == JobEnd::kWritten;
      const std::string why = end.kind == JobEnd::kStopped ? "the gateway stopped" : end.error;
      if (!written) job->journal->Fail(why);
      job->journal->End(written ? job->status : "tvxorm gateway: " + why, tally);
    }
    const Requester to{job->asked, job->response_topic, job->correlation_data, job->seq};
    Answer(to, answer, true);
    if (job->asked.id) {
      auto it = waiting.find(*job->asked.id);
      if (it != waiting.end()) {
        for (const Requester& again : it->second)
          Answer(again, DuplicateAnswer(again.asked, answer.json), false);
        waiting.erase(it);
      }
    }
  }

  Options options;
  MqttSession& mqtt;
  WallClock& clock;
  Formats formats;
  JournalSink* journal;
  QueueStore* queue;
  bool stopped = false;
  Pacer pacer;
  SharedPort consoles;
  std::function<void(const std::string&)> console_resume;
  std::optional<std::int64_t> consoles_connected;  // none: no shared port
  std::optional<std::int64_t> told_consoles;
  window::Timer housekeeping;
  std::optional<DeviceStates> devices;
  LinkState link;
  std::string last_write_error;
  std::int64_t start_ms = 0;
  bool connected = false;
  std::size_t told_queue = 0;
  std::string catalogue;  // made once: it never changes while the program runs
  AnsweredIds answered;
  // Ids on their way: the requests that came again meanwhile.
  std::unordered_map<std::string, std::vector<Requester>> waiting;
};

Gateway::Gateway(Options options, MqttSession& session, BusLink& link, WallClock& clock,
                 Formats formats, JournalSink* journal, QueueStore* queue)
    : s_(std::make_unique<State>(std::move(options), session, link, clock, std::move(formats),
                                 journal, queue)) {}

Gateway::~Gateway() = default;

std::vector<window::Timer*> Gateway::Timers() {
  return {&s_->pacer.Timer(), &s_->housekeeping, &s_->consoles.Timer()};
}

std::string Gateway::Topic(std::string_view leaf) const {
  return s_->Topic(leaf);
}

std::string Gateway::WillPayload() {
  return JsonObject().Add("state", "offline").Text();
}

void Gateway::LinkChanged(const LinkState& state) {
  s_->link = state;
  if (s_->link.since_utc_ms == 0) s_->link.since_utc_ms = s_->Now();
  s_->PublishLink();
  s_->pacer.SetLinkUp(state.up, state.error);
}

void Gateway::Connected() {
  s_->connected = true;
  s_->PublishRetained();
}

void Gateway::ConnectionLost(const std::string&) {
  // The client keeps what is published meanwhile and delivers it once it is back.
}

bool Gateway::MessageArrived(const MqttMessage& message) {
  // Stopped: what still arrives is in the durable queue for the next start.
  if (!s_->stopped || !s_->queue) {
    if (message.topic == s_->Topic("republish")) {
      s_->PublishRetained();
    } else if (message.topic == s_->Topic("request")) {
      s_->Take(message, s_->Now());
    }
  }
  if (s_->queue) s_->queue->Settle();
  return true;
}

void Gateway::ConsoleItem(const std::string& source, protocol::DecodedItem&& item) {
  s_->consoles.Item(source, std::move(item));
}

bool Gateway::ConsoleMore(const std::string& source) const {
  return s_->consoles.More(source);
}

void Gateway::OnConsoleResume(std::function<void(const std::string& source)> resume) {
  s_->console_resume = std::move(resume);
}

void Gateway::ConsolesConnected(int count) {
  s_->consoles_connected = count;
  s_->Wake();
}

void Gateway::Restore(const QueueLog& log) {
  // Answers the broker may not have got before the stop: QoS 1 allows the same one twice.
  for (const auto& [seq, u] : log.Undelivered())
    s_->PublishAnswer(u.answer, u.response_topic, u.correlation_data, seq);
  for (const KeptAnswer& a : log.Answers()) s_->answered.Keep(a.id, a.answer, a.at_utc_ms);
  // A copy: answering them records in the queue, which may be the log read here.
  // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): log may change meanwhile
  const std::map<std::uint64_t, QueuedRequest> open = log.Open();
  for (const auto& [seq, r] : open) {
    if (!r.writing_unit) {
      s_->Take(r.message, r.received_utc_ms);  // its age counts from when it first came
      continue;
    }
    Requester to;
    to.asked.received_utc_ms = r.received_utc_ms;
    to.response_topic = r.message.response_topic;
    to.correlation_data = r.message.correlation_data;
    to.seq = seq;
    const InterruptedRequest was =
        ReadInterrupted(r.message.payload, *r.writing_unit, s_->options.link);
    to.asked.id = was.id;
    s_->Answer(
        to,
        InterruptedAnswer(to.asked, kCrashed, was.bytes, r.bytes_before, was.positions, s_->Now()),
        true);
  }
}

void Gateway::Stop() {
  s_->stopped = true;
  // Nothing may say "online" after the stopped status (the answers' last flush runs the loop).
  s_->housekeeping.SetEnabled(false);
  s_->pacer.Stop(s_->queue != nullptr);
  s_->consoles.Stop();  // after the queue's: what waits here came later
  s_->Publish("status", JsonObject().Add("state", "offline").Add("reason", "stopped").Text(), 1,
              true);
}

std::size_t Gateway::Queued() const {
  return s_->pacer.Waiting();
}

}  // namespace tvx::gateway
