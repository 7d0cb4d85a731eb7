#include "tests/gateway_e2e/mosquitto.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace tvx::e2e {

bool ServeUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms) {
    // Sleeps until an event comes or a short while passes, so waiting costs no processor.
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return done();
}

namespace {

int FreePort() {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
  return probe.serverPort();
}

// Debian puts the broker in /usr/sbin, which a user's PATH often lacks.
QString BrokerProgram() {
  QString found = QStandardPaths::findExecutable("mosquitto");
  if (found.isEmpty())
    found = QStandardPaths::findExecutable("mosquitto", {"/usr/sbin", "/usr/local/sbin"});
  return found.isEmpty() ? QString("mosquitto") : found;
}

bool Accepts(int port) {
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
  return socket.waitForConnected(1000);
}

}  // namespace

Mosquitto::Mosquitto(const std::string& extra) : extra_(extra) {
  process_.setProcessChannelMode(QProcess::MergedChannels);
  // A port found free may be taken before mosquitto binds it: then another.
  for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt) {
    port_ = FreePort();
    if (!Launch()) port_ = 0;
  }
}

Mosquitto::~Mosquitto() {
  Stop();
}

bool Mosquitto::Launch() {
  const QString conf = dir_.filePath("mosquitto.conf");
  QFile file(conf);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  // Nothing kept across a restart: the gateway must publish its retained topics again.
  const std::string text = "listener " + std::to_string(port_) +
                           " 127.0.0.1\n"
                           "allow_anonymous true\npersistence false\nlog_dest stderr\n"
                           "log_type error\nlog_type warning\nlog_type notice\n" +
                           extra_ + "\n";
  file.write(text.data(), static_cast<qint64>(text.size()));
  file.close();
  process_.start(BrokerProgram(), {"-c", conf});
  if (!process_.waitForStarted(10000)) return false;
  return ServeUntil([&] { return process_.state() != QProcess::Running || Accepts(port_); },
                    20000) &&
         process_.state() == QProcess::Running;
}

void Mosquitto::Stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(10000)) {
    process_.kill();
    process_.waitForFinished(5000);
  }
  Log();
}

bool Mosquitto::Restart() {
  Stop();
  return Launch();
}

std::string Mosquitto::Log() {
  log_ += process_.readAll().toStdString();
  return log_;
}

Watch::Watch(const Mosquitto& broker, const std::vector<std::string>& topics,
             const std::string& session) {
  QStringList args{"-h", "127.0.0.1", "-p", QString::number(broker.Port()), "-V", "mqttv5", "-q",
                   "1",  "-F",        "%j"};
  if (!session.empty())
    args << "-c"
         << "-i" << QString::fromStdString(session) << "-x"
         << "600";
  for (const auto& t : topics) args << "-t" << QString::fromStdString(t);
  // The probe shows when the subscriptions are in place.
  const QString probe = "tvx-test/probe/" + QString::number(QCoreApplication::applicationPid());
  args << "-t" << probe;
  process_.start("mosquitto_sub", args);
  process_.waitForStarted(10000);
  ServeUntil(
      [&] {
        Publish(broker, probe.toStdString(), "probe", PublishOptions().Qos(0));
        return Count(probe.toStdString()) > 0;
      },
      20000);
}

Watch::~Watch() {
  process_.kill();
  process_.waitForFinished(5000);
}

void Watch::Read() {
  pending_ += process_.readAllStandardOutput().toStdString();
  for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
    const QJsonObject o =
        QJsonDocument::fromJson(QByteArray::fromStdString(pending_.substr(0, end))).object();
    pending_.erase(0, end + 1);
    Seen s;
    s.topic = o["topic"].toString().toStdString();
    s.payload = o["payload"].toString().toStdString();
    s.qos = o["qos"].toInt();
    s.retained = o["retain"].toBool() || o["retain"].toInt() != 0;
    const QJsonObject p = o["properties"].toObject();
    if (p.contains("response-topic"))
      s.response_topic = p["response-topic"].toString().toStdString();
    if (p.contains("correlation-data"))
      s.correlation_data = p["correlation-data"].toString().toStdString();
    if (p.contains("message-expiry-interval"))
      s.expiry_seconds = p["message-expiry-interval"].toInteger();
    seen_.push_back(std::move(s));
  }
}

const std::vector<Seen>& Watch::Messages() {
  Read();
  return seen_;
}

std::size_t Watch::Count(const std::string& topic) {
  std::size_t n = 0;
  for (const auto& s : Messages()) n += s.topic == topic ? 1 : 0;
  return n;
}

std::optional<Seen> Watch::WaitFor(const std::string& topic,
                                   const std::function<bool(const Seen&)>& match, int ms,
                                   std::size_t from) {
  std::optional<Seen> found;
  ServeUntil(
      [&] {
        const auto& all = Messages();
        for (std::size_t i = from; i < all.size(); ++i) {
          const Seen& s = all[i];
          if (s.topic == topic && (!match || match(s))) {
            found = s;
            return true;
          }
        }
        return false;
      },
      ms);
  return found;
}

bool Publish(const Mosquitto& broker, const std::string& topic, const std::string& payload,
             const PublishOptions& options) {
  QStringList args{"-h", "127.0.0.1",
                   "-p", QString::number(broker.Port()),
                   "-V", QString::fromStdString(options.version),
                   "-q", QString::number(options.qos),
                   "-t", QString::fromStdString(topic)};
  // An empty payload clears a retained message.
  if (payload.empty()) {
    args << "-n";
  } else {
    args << "-m" << QString::fromStdString(payload);
  }
  if (options.retained) args << "-r";
  if (options.response_topic)
    args << "-D"
         << "publish"
         << "response-topic" << QString::fromStdString(*options.response_topic);
  if (options.correlation_data)
    args << "-D"
         << "publish"
         << "correlation-data" << QString::fromStdString(*options.correlation_data);
  if (options.expiry_seconds)
    args << "-D"
         << "publish"
         << "message-expiry-interval" << QString::number(*options.expiry_seconds);
  QProcess pub;
  pub.start("mosquitto_pub", args);
  if (!pub.waitForStarted(10000)) return false;
  ServeUntil([&] { return pub.state() == QProcess::NotRunning; }, 20000);
  return pub.exitStatus() == QProcess::NormalExit && pub.exitCode() == 0;
}

}  // namespace tvx::e2e
