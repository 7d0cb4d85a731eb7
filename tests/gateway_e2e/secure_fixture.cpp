#include "tests/gateway_e2e/secure_fixture.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "tests/app/e2e_support.h"

namespace tvx::e2e {

namespace {

bool Run(const QString& program, const QStringList& args) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void Write(const QString& path, const std::string& text) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(text.data(), text.size());
}

}  // namespace

TestPki::TestPki() {
  const auto at = [this](const char* name) { return dir_.filePath(name); };
  const auto ca = [&](const char* name) {
    return Run("openssl",
               {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                QString("/CN=") + name, "-keyout", at(name) + ".key", "-out", at(name) + ".crt"});
  };
  const auto signed_by_ca = [&](const QString& name_of_file, const QString& name) {
    const QString file = dir_.filePath(name_of_file);
    Write(at("ext"), "subjectAltName=DNS:" + name.toStdString() + "\n");
    return Run("openssl", {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=" + name,
                           "-keyout", file + ".key", "-out", file + ".csr"}) &&
           Run("openssl",
               {"x509", "-req", "-in", file + ".csr", "-CA", at("ca.crt"), "-CAkey", at("ca.key"),
                "-CAcreateserial", "-days", "2", "-extfile", at("ext"), "-out", file + ".crt"});
  };
  ok_ = ca("ca") && ca("other-ca") && signed_by_ca("server", "localhost") &&
        signed_by_ca("wrong", "elsewhere.example") && signed_by_ca("client", "gateway-line3");
}

std::string PasswordOf(const std::string& user) {
  return "pw-" + user;
}

QString PasswordFile(const QTemporaryDir& dir) {
  const QString path = dir.filePath("passwd");
  bool ok = true;
  for (const char* user : {"gateway-line3", "mes", "viewer"}) {
    QStringList args{"-b", path, user, QString::fromStdString(PasswordOf(user))};
    if (!QFile::exists(path)) args.prepend("-c");
    ok = ok && Run("mosquitto_passwd", args);
  }
  return ok ? path : QString();
}

QString CredentialsFile(const QTemporaryDir& dir, const std::string& user,
                        const std::string& more) {
  const QString path = dir.filePath(QString::fromStdString(user) + ".credentials");
  Write(path, "username=" + user + "\npassword=" + PasswordOf(user) + "\n" + more);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  return path;
}

QString ExampleAcl() {
  return TVX_EXAMPLE_ACL;
}

namespace {

QStringList UserArgs(int port, const std::string& user, const QStringList& extra) {
  QStringList args{"-V", "mqttv5", "-p", QString::number(port), "-q", "1"};
  if (!extra.contains("--cafile"))
    args << "-h"
         << "127.0.0.1";
  if (!user.empty())
    args << "-u" << QString::fromStdString(user) << "-P"
         << QString::fromStdString(PasswordOf(user));
  return args << extra;
}

}  // namespace

UserWatch::UserWatch(int port, const std::string& user, const std::vector<std::string>& topics,
                     const QStringList& extra) {
  QStringList args = UserArgs(port, user, extra) << "-d"
                                                 << "-F"
                                                 << "%j";
  for (const auto& t : topics) args << "-t" << QString::fromStdString(t);
  process_.setProcessChannelMode(QProcess::MergedChannels);
  // Line-buffered: its debug lines (the SUBACK) are not flushed on their own.
  process_.start("stdbuf", QStringList{"-oL", "mosquitto_sub"} << args);
  process_.waitForStarted(10000);
  ServeUntil([&] {
    Read();
    return subscribed_ || process_.state() == QProcess::NotRunning;
  });
}

UserWatch::~UserWatch() {
  process_.kill();
  process_.waitForFinished(5000);
}

void UserWatch::Read() {
  pending_ += process_.readAll().toStdString();
  for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
    const std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    if (line.rfind("Subscribed (mid", 0) == 0) subscribed_ = true;
    if (line.empty() || line.front() != '{') continue;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
    seen_.emplace_back(o["topic"].toString().toStdString(), o["payload"].toString().toStdString());
  }
}

std::vector<std::string> UserWatch::On(const std::string& topic, std::size_t count, int ms) {
  std::vector<std::string> found;
  ServeUntil(
      [&] {
        Read();
        found.clear();
        for (const auto& [t, p] : seen_)
          if (t == topic) found.push_back(p);
        return found.size() >= count;
      },
      ms);
  return found;
}

bool PublishAs(int port, const std::string& user, const std::string& topic,
               const std::string& payload, const QStringList& extra) {
  QProcess pub;
  pub.start("mosquitto_pub", UserArgs(port, user, extra)
                                 << "-t" << QString::fromStdString(topic) << "-m"
                                 << QString::fromStdString(payload));
  if (!pub.waitForStarted(10000)) return false;
  ServeUntil([&] { return pub.state() == QProcess::NotRunning; });
  return pub.exitStatus() == QProcess::NormalExit && pub.exitCode() == 0;
}

Gateway::Gateway(const std::string& bus, const QStringList& args) {
  process_.setProcessChannelMode(QProcess::MergedChannels);
  process_.start(
      ProgramPath(),
      QStringList{"gateway", "--bus", QString::fromStdString(bus), "--state-dir", state_.path()}
          << args);
  process_.waitForStarted(10000);
}

Gateway::~Gateway() {
  if (process_.state() != QProcess::NotRunning) {
    process_.terminate();
    if (!process_.waitForFinished(5000)) process_.kill();
    process_.waitForFinished(5000);
  }
}

int Gateway::Finish(int ms) {
  ServeUntil([this] { return process_.state() == QProcess::NotRunning; }, ms);
  if (process_.state() != QProcess::NotRunning) return -1;
  Output();
  return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

std::string Gateway::Output(const std::string& text, int ms) {
  ServeUntil(
      [&] {
        output_ += process_.readAll().toStdString();
        return output_.find(text) != std::string::npos;
      },
      ms);
  return output_;
}

}  // namespace tvx::e2e
