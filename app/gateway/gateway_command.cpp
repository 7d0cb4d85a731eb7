#include "app/gateway/gateway_command.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <memory>
#include <ostream>

#include "app/files.h"
#include "app/gateway/broker_security.h"
#include "app/gateway/bus_links.h"
#include "app/gateway/gateway_args.h"
#include "app/gateway/paho_session.h"
#include "app/gateway/queue_file.h"
#include "app/gateway/shared_port_sources.h"
#include "app/journal_file.h"
#include "app/qt_timer_driver.h"
#include "app/sim/sim_session.h"
#include "app/sim/sim_state.h"
#include "app/stop_signals.h"
#include "gateway/gateway.h"

namespace tvx::app {

namespace {

constexpr char kName[] = "tvxorm gateway: ";
// How long a stop waits for the last answers and the offline status to reach the broker: a
// stop is done within 2 s; what has not left by then is in Paho's hands or the queue file.
constexpr std::chrono::milliseconds kStopFlush{700};

class SystemClock : public tvx::gateway::WallClock {
 public:
  console::JournalTime Now() override { return JournalNow(); }
};

class FileSink : public tvx::gateway::JournalSink {
 public:
  explicit FileSink(JournalFile& file) : file_(file) {}
  // A failure is told once by the file's warning; writing goes on.
  void Record(const console::JournalEntry& entry) override { (void)file_.Append(entry); }

 private:
  JournalFile& file_;
};

// The state folder exists (made, for the owner only) and is a folder; why not, or empty.
std::string MakeStateDir(const std::string& path) {
  const QString dir = QString::fromStdString(path);
  if (QFileInfo(dir).exists() && !QFileInfo(dir).isDir()) return "it is not a folder";
  if (!QDir().mkpath(dir)) return "it cannot be created";
  QFile::setPermissions(dir,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  if (!QFileInfo(dir).isWritable()) return "it cannot be written";
  return {};
}

// The state folder's queue, or nullptr once the operator was told why not.
std::unique_ptr<QueueFile> OpenQueue(const std::string& dir,
                                     const std::function<void(const std::string&)>& warn) {
  auto opened = QueueFile::Open(dir, JournalNow().utc_ms);
  if (const auto* why = std::get_if<std::string>(&opened)) {
    warn(*why);
    return nullptr;
  }
  auto queue = std::get<std::unique_ptr<QueueFile>>(std::move(opened));
  queue->OnWarning(warn);
  if (const std::size_t torn = queue->Log().Torn(); torn > 0) {
    warn("the queue " + Quoted(queue->Path()) + " held " + std::to_string(torn) +
         " record(s) cut short (a crash while writing); skipped");
  }
  return queue;
}

// On Paho's thread: requests go into the queue file before Paho is told they were taken.
std::function<bool(tvx::gateway::MqttMessage&)> KeepRequests(QueueFile& queue, std::string topic) {
  return [&queue, topic = std::move(topic)](tvx::gateway::MqttMessage& m) {
    if (m.topic != topic) return true;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return queue.Keep(m, std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
  };
}

}  // namespace

int RunGateway(QCoreApplication& app, const std::vector<std::string>& args,
               const std::string& version, std::ostream& out, std::ostream& err) {
  const auto parsed = ParseGatewayArgs(args);
  if (const auto* error = std::get_if<std::string>(&parsed)) {
    err << kName << *error << "\nTry 'tvxorm gateway --help'." << std::endl;
    return kGatewayBadUsage;
  }
  const GatewayArgs& a = std::get<GatewayArgs>(parsed);
  if (a.help) {
    out << GatewayUsage();
    return kGatewayStopped;
  }
  if (const std::string wrong = TlsUsageRefusal(a); !wrong.empty()) {
    err << kName << wrong << "\nTry 'tvxorm gateway --help'." << std::endl;
    return kGatewayBadUsage;
  }
  // Caught from the start: a stop while the broker is still being looked for is a clean stop.
  StopSignals stop;
  QObject::connect(&stop, &StopSignals::Stop, &app, &QCoreApplication::quit);

  tvx::gateway::Options options;
  options.bus = a.bus;
  options.prefix = a.prefix;
  options.link = a.tcp ? protocol::Link::Tcp : protocol::Link::Serial;
  options.bus_description = a.BusDescription();
  options.pace_ms = a.pace_ms;
  options.queue = a.queue;
  options.max_age_s = a.max_age_s;
  options.version = version;
  if (!a.devices.empty()) {
    auto devices = LoadDevices(a.devices);
    if (const auto* error = std::get_if<std::string>(&devices)) {
      err << kName << *error << std::endl;
      return kGatewayBadUsage;
    }
    options.devices = std::get<std::vector<sim::DeviceEntry>>(std::move(devices));
  }
  if (const std::string why = MakeStateDir(a.StateDir()); !why.empty()) {
    err << kName << "cannot use the state folder " << Quoted(a.StateDir()) << ": " << why
        << std::endl;
    return kGatewayCannotStart;
  }
  const auto warn = [&err](const std::string& text) { err << kName << text << std::endl; };
  auto queue = OpenQueue(a.StateDir(), warn);
  if (!queue) return kGatewayCannotStart;  // it said why
  std::unique_ptr<JournalFile> journal;
  std::unique_ptr<FileSink> sink;
  if (!a.journal.off) {
    journal = std::make_unique<JournalFile>(a.JournalPath(), warn);
    if (!journal->Open()) return kGatewayCannotStart;  // its warning said why
    // A backlog writes an entry per pace: a sync after each cost a third of the gateway's CPU.
    // The journal is a record, not the queue: a power cut may take its last second.
    journal->SyncAtMostEvery(std::chrono::milliseconds(1000));
    sink = std::make_unique<FileSink>(*journal);
  }

  std::unique_ptr<GatewayBusLink> link;
  if (a.tcp) {
    link = std::make_unique<TcpBusLink>(a.tcp->host, a.tcp->port);
  } else {
    link = std::make_unique<SerialBusLink>(a.serial);
  }
  SystemClock clock;
  BrokerOptions broker;
  for (const auto& uri : a.brokers)
    broker.uris.push_back(std::get<BrokerUri>(ParseBrokerUri(uri)).paho);
  broker.names = a.brokers;
  broker.client_id = a.ClientId();
  if (const std::string why = SecureBroker(a, broker); !why.empty()) {
    err << kName << why << std::endl;
    return kGatewayCannotStart;
  }
  PahoSession mqtt(broker);
  QtTimerDriver timers;  // outlives the gateway, whose timers tell it of every change
  tvx::gateway::Gateway gateway(options, mqtt, *link, clock, {&JournalLine, &DeviceStateJson},
                                sink.get(), queue.get());
  // Known only once the gateway names its topics.
  mqtt.SetTopics(gateway.Topic("status"), tvx::gateway::Gateway::WillPayload(),
                 {gateway.Topic("request"), gateway.Topic("republish")});
  for (window::Timer* t : gateway.Timers()) timers.Attach(*t);
  gateway.Restore(queue->Log());
  mqtt.SetKeeper(KeepRequests(*queue, gateway.Topic("request")));
  mqtt.OnDelivered([&queue](std::uint64_t seq) { queue->Delivered(seq); });
  mqtt.SetEvents(&gateway);
  mqtt.OnNotice(warn);
  std::unique_ptr<SharedPortSources> shared;
  if (!a.listen.empty() || !a.ptys.empty()) {
    shared = std::make_unique<SharedPortSources>(gateway, warn);
    if (auto error = shared->Open(a.listen, a.ptys)) {
      warn(*error);
      return kGatewayCannotStart;
    }
  }
  link->OnChange([&gateway](const tvx::gateway::LinkState& s) { gateway.LinkChanged(s); });
  link->Open();
  mqtt.Start();
  app.exec();
  if (shared) shared->Close();  // packets still open are reported cut off
  gateway.Stop();
  mqtt.Close(kStopFlush);
  link->OnChange({});  // the gateway goes first
  return kGatewayStopped;
}

}  // namespace tvx::app
