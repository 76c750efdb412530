// CPgTestCluster: a private PostgreSQL cluster for the tests of the shared index,
// made with Debian's server binaries in a scratch folder and reached over a Unix
// socket in that folder only; stopped and removed at the end. Run as root, the server
// runs as the postgres user (it refuses to run as root).
#pragma once

#include <string>

namespace quillora::test {

class CPgTestCluster {
public:
    // The one cluster of this program (the tests start it before the first test).
    static CPgTestCluster& Get();

    // initdb and pg_ctl start; false with Error() saying why (binaries missing, no
    // postgres user, the server would not start).
    bool Start();
    void Stop();
    const std::string& Error() const { return m_strError; }

    // A new empty database, named `name`, that the superuser owns.
    void CreateDatabase(const std::string& name);
    // Keyword conninfo for `database` as `user` (trust: no password asked).
    std::string Conninfo(const std::string& database, const std::string& user = {}) const;
    // The same as a postgresql:// URL, the socket folder in its query.
    std::string Url(const std::string& database, const std::string& user = {}) const;
    // Runs the statements of `sql` as the superuser in `database`.
    void Sql(const std::string& database, const std::string& sql) const;

private:
    int Run(const std::string& program, std::initializer_list<std::string> args, bool asServerUser);

    std::string m_strBin;
    std::string m_strFolder;
    std::string m_strSuperuser;
    std::string m_strError;
    bool m_bRoot = false;
    bool m_bRunning = false;
};

} // namespace quillora::test
