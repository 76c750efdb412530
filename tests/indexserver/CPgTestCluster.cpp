// Starting and stopping the tests' own PostgreSQL cluster.
#include "CPgTestCluster.h"

#include "index/CPgConnection.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quillora::test {

namespace fs = std::filesystem;

namespace {

// The newest of Debian's server versions installed, found by its initdb.
std::string FindServerBin() {
    std::error_code ec;
    std::vector<std::pair<int, std::string>> found;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
        const fs::path bin = entry.path() / "bin";
        if (fs::exists(bin / "initdb") && fs::exists(bin / "pg_ctl")) {
            found.emplace_back(std::atoi(entry.path().filename().c_str()), bin.string());
        }
    }
    if (found.empty()) {
        return {};
    }
    return std::max_element(found.begin(), found.end())->second;
}

} // namespace

CPgTestCluster& CPgTestCluster::Get() {
    static CPgTestCluster cluster;
    return cluster;
}

int CPgTestCluster::Run(const std::string& program, std::initializer_list<std::string> args,
                        bool asServerUser) {
    std::vector<std::string> argv;
    if (asServerUser && m_bRoot) {
        argv = {"runuser", "-u", "postgres", "--"};
    }
    argv.push_back(program);
    argv.insert(argv.end(), args);
    const std::string log = m_strFolder + "/commands.log";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            ::dup2(fd, 1);
            ::dup2(fd, 2);
        }
        std::vector<char*> raw;
        for (std::string& a : argv) {
            raw.push_back(a.data());
        }
        raw.push_back(nullptr);
        ::execvp(raw[0], raw.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    if (code != 0) {
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        m_strError = program + " failed (" + std::to_string(code) + "): " + text.str();
    }
    return code;
}

bool CPgTestCluster::Start() {
    m_strBin = FindServerBin();
    if (m_strBin.empty()) {
        m_strError = "the PostgreSQL server binaries (initdb, pg_ctl under "
                     "/usr/lib/postgresql/*/bin) are missing: install Debian's postgresql "
                     "and postgresql-contrib (scripts/setup does)";
        return false;
    }
    m_bRoot = ::geteuid() == 0;
    char folder[] = "/tmp/quillora-pg-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        m_strError = "no scratch folder for the cluster";
        return false;
    }
    m_strFolder = folder;
    if (m_bRoot) {
        const passwd* user = ::getpwnam("postgres");
        if (user == nullptr || ::chown(folder, user->pw_uid, user->pw_gid) != 0) {
            m_strError = "running as root, but there is no postgres user to run the server";
            return false;
        }
        m_strSuperuser = "postgres";
    } else {
        const passwd* user = ::getpwuid(::geteuid());
        m_strSuperuser = user ? user->pw_name : "postgres";
    }
    const std::string data = m_strFolder + "/data";
    if (Run(m_strBin + "/initdb",
            {"-D", data, "-A", "trust", "-U", m_strSuperuser, "-E", "UTF8", "--locale=C.UTF-8",
             "--no-sync"},
            true) != 0) {
        return false;
    }
    // No TCP at all; nothing written to disk is kept, so it need not be synced.
    const std::string options = "-k " + m_strFolder +
                                " -c listen_addresses='' -c fsync=off -c full_page_writes=off "
                                "-c synchronous_commit=off -c max_connections=40";
    if (Run(m_strBin + "/pg_ctl",
            {"-D", data, "-l", m_strFolder + "/server.log", "-o", options, "-w", "start"},
            true) != 0) {
        return false;
    }
    m_bRunning = true;
    m_strError.clear();
    return true;
}

void CPgTestCluster::Stop() {
    if (m_bRunning) {
        Run(m_strBin + "/pg_ctl", {"-D", m_strFolder + "/data", "-m", "immediate", "-w", "stop"},
            true);
        m_bRunning = false;
    }
    if (!m_strFolder.empty()) {
        std::error_code ec;
        fs::remove_all(m_strFolder, ec);
        m_strFolder.clear();
    }
}

void CPgTestCluster::CreateDatabase(const std::string& name) {
    Sql("postgres", "CREATE DATABASE " + name);
}

std::string CPgTestCluster::Conninfo(const std::string& database, const std::string& user) const {
    return "host=" + m_strFolder + " dbname=" + database +
           " user=" + (user.empty() ? m_strSuperuser : user);
}

std::string CPgTestCluster::Url(const std::string& database, const std::string& user) const {
    return "postgresql://" + (user.empty() ? m_strSuperuser : user) + "@/" + database +
           "?host=" + m_strFolder;
}

void CPgTestCluster::Sql(const std::string& database, const std::string& sql) const {
    CPgConnection connection(Conninfo(database));
    connection.ExecScript(sql.c_str());
}

} // namespace quillora::test
