// Archive fixtures for the adapter tests.
#include "ArchiveTestData.h"

#include <archive.h>
#include <archive_entry.h>
#include <cstdio>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

namespace quillora::test {

namespace {

void Put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
std::uint32_t Crc32(const std::string& s) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}
unsigned Crc16(const std::string& s) {
    unsigned crc = 0;
    for (unsigned char c : s) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) {
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
        }
    }
    return crc & 0xFFFF;
}
void Check(int rc, archive* a) {
    if (rc < ARCHIVE_WARN) {
        throw std::runtime_error(archive_error_string(a) ? archive_error_string(a) : "libarchive");
    }
}

} // namespace

std::uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second) {
    std::uint32_t date = static_cast<std::uint32_t>((year - 1980) << 9 | month << 5 | day);
    std::uint32_t time = static_cast<std::uint32_t>(hour << 11 | minute << 5 | second / 2);
    return date << 16 | time;
}

void WriteLibarchive(const std::filesystem::path& path, const std::string& format,
                     const std::string& filter, const std::vector<SMember>& members) {
    archive* a = archive_write_new();
    Check(archive_write_set_format_by_name(a, format.c_str()), a);
    if (filter == "gzip") {
        archive_write_add_filter_gzip(a);
    } else if (filter == "compress") {
        archive_write_add_filter_compress(a);
    }
    Check(archive_write_open_filename(a, path.c_str()), a);
    for (const SMember& m : members) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, m.m_strName.c_str());
        archive_entry_set_mtime(e, m.m_mtime, 0);
        switch (m.m_type) {
        case 'd':
            archive_entry_set_filetype(e, AE_IFDIR);
            archive_entry_set_perm(e, 0755);
            break;
        case 'l':
            archive_entry_set_filetype(e, AE_IFLNK);
            archive_entry_set_symlink(e, m.m_strLink.c_str());
            break;
        case 'h':
            archive_entry_set_filetype(e, AE_IFREG);
            archive_entry_set_hardlink(e, m.m_strLink.c_str());
            break;
        default:
            archive_entry_set_filetype(e, AE_IFREG);
            archive_entry_set_perm(e, 0644);
            archive_entry_set_size(e, static_cast<la_int64_t>(m.m_strData.size()));
        }
        Check(archive_write_header(a, e), a);
        if (m.m_type == 'f' && !m.m_strData.empty()) {
            archive_write_data(a, m.m_strData.data(), m.m_strData.size());
        }
        archive_entry_free(e);
    }
    Check(archive_write_close(a), a);
    archive_write_free(a);
}

void WriteRawCompressed(const std::filesystem::path& path, const std::string& filter,
                        const std::string& data) {
    archive* a = archive_write_new();
    archive_write_set_format_raw(a);
    filter == "gzip" ? archive_write_add_filter_gzip(a) : archive_write_add_filter_compress(a);
    Check(archive_write_open_filename(a, path.c_str()), a);
    archive_entry* e = archive_entry_new();
    archive_entry_set_pathname(e, "data");
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_size(e, static_cast<la_int64_t>(data.size()));
    Check(archive_write_header(a, e), a);
    archive_write_data(a, data.data(), data.size());
    archive_entry_free(e);
    Check(archive_write_close(a), a);
    archive_write_free(a);
}

std::string ZipWithRawName(const std::string& nameBytes, const std::string& data,
                           std::uint32_t dosDateTime, std::uint32_t dosAttributes) {
    std::string out;
    std::uint32_t crc = Crc32(data);
    auto common = [&](std::string& s) {
        Put16(s, 10); // version needed
        Put16(s, 0);  // flags: no UTF-8 name
        Put16(s, 0);  // stored
        Put16(s, dosDateTime & 0xFFFF);
        Put16(s, dosDateTime >> 16);
        Put32(s, crc);
        Put32(s, static_cast<std::uint32_t>(data.size()));
        Put32(s, static_cast<std::uint32_t>(data.size()));
        Put16(s, static_cast<unsigned>(nameBytes.size()));
        Put16(s, 0);
    };
    Put32(out, 0x04034b50);
    common(out);
    out += nameBytes;
    out += data;
    std::uint32_t cdOffset = static_cast<std::uint32_t>(out.size());
    std::string cd;
    Put32(cd, 0x02014b50);
    Put16(cd, 0x000A); // made by MS-DOS
    common(cd);
    Put16(cd, 0);             // comment length
    Put16(cd, 0);             // disk
    Put16(cd, 0);             // internal attributes
    Put32(cd, dosAttributes); // external attributes
    Put32(cd, 0);             // local header offset
    cd += nameBytes;
    out += cd;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, 1);
    Put32(out, static_cast<std::uint32_t>(cd.size()));
    Put32(out, cdOffset);
    Put16(out, 0);
    return out;
}

std::string Rar4Stored(const std::vector<SMember>& members, std::uint32_t dosDateTime) {
    std::string out("Rar!\x1a\x07\x00", 7);
    auto block = [&](std::string body) { // body starts at HEAD_TYPE
        std::string head;
        Put16(head, Crc32(body) & 0xFFFF);
        out += head + body;
    };
    std::string main;
    main += '\x73';
    Put16(main, 0);
    Put16(main, 13);
    Put16(main, 0);
    Put32(main, 0);
    block(main);
    for (const SMember& m : members) {
        bool dir = m.m_type == 'd';
        std::string h;
        h += '\x74';
        Put16(h, 0x8000 | (dir ? 0xE0 : 0));
        Put16(h, static_cast<unsigned>(32 + m.m_strName.size()));
        Put32(h, static_cast<std::uint32_t>(m.m_strData.size()));
        Put32(h, static_cast<std::uint32_t>(m.m_strData.size()));
        h += '\x02'; // Win32
        Put32(h, Crc32(m.m_strData));
        Put32(h, dosDateTime);
        h += '\x14';
        h += '\x30'; // stored
        Put16(h, static_cast<unsigned>(m.m_strName.size()));
        Put32(h, m.m_dwAttributes ? m.m_dwAttributes : dir ? 0x10 : 0x20);
        h += m.m_strName;
        block(h);
        out += m.m_strData;
    }
    out += std::string("\xc4\x3d\x7b\x00\x40\x07\x00", 7);
    return out;
}

namespace {

void PutVint(std::string& s, std::uint64_t v) {
    do {
        unsigned char b = v & 0x7F;
        v >>= 7;
        s += static_cast<char>(v ? b | 0x80 : b);
    } while (v);
}

// One RAR5 block: CRC32 of the size field and the header, the size, the header.
std::string Rar5Block(const std::string& header) {
    std::string sized;
    PutVint(sized, header.size());
    sized += header;
    std::string out;
    Put32(out, Crc32(sized));
    return out + sized;
}

void Put64(std::string& s, std::uint64_t v) {
    Put32(s, static_cast<std::uint32_t>(v));
    Put32(s, static_cast<std::uint32_t>(v >> 32));
}

} // namespace

std::string Rar5Stored(const std::vector<SMember>& members) {
    std::string out("Rar!\x1a\x07\x01\x00", 8);
    std::string main;
    PutVint(main, 1); // main archive header
    PutVint(main, 0);
    PutVint(main, 0);
    out += Rar5Block(main);
    for (const SMember& m : members) {
        bool dir = m.m_type == 'd';
        std::string h;
        PutVint(h, 2);      // file header
        PutVint(h, 0x0002); // data area follows
        PutVint(h, m.m_strData.size());
        PutVint(h, (dir ? 0x0001 : 0) | 0x0002 | 0x0004);
        PutVint(h, m.m_strData.size());
        PutVint(h, dir ? 0x10 : 0x20);
        Put32(h, static_cast<std::uint32_t>(m.m_mtime));
        Put32(h, Crc32(m.m_strData));
        PutVint(h, 0); // version 0, stored
        PutVint(h, 0); // Windows
        PutVint(h, m.m_strName.size());
        h += m.m_strName;
        out += Rar5Block(h) + m.m_strData;
    }
    std::string end;
    PutVint(end, 5);
    PutVint(end, 0);
    PutVint(end, 0);
    return out + Rar5Block(end);
}

void WriteSparseZip64(const std::filesystem::path& path, const std::string& name,
                      std::uint64_t size) {
    std::uint32_t dos = DosDateTime(2020, 1, 2, 3, 4, 6);
    std::string extra;
    Put16(extra, 0x0001);
    Put16(extra, 16);
    Put64(extra, size);
    Put64(extra, size);
    auto fields = [&](std::string& s) {
        Put16(s, 45);
        Put16(s, 0);
        Put16(s, 0);
        Put16(s, dos & 0xFFFF);
        Put16(s, dos >> 16);
        Put32(s, 0); // CRC of the zeros is never checked by a listing
        Put32(s, 0xFFFFFFFF);
        Put32(s, 0xFFFFFFFF);
        Put16(s, static_cast<unsigned>(name.size()));
        Put16(s, static_cast<unsigned>(extra.size()));
    };
    std::string local;
    Put32(local, 0x04034b50);
    fields(local);
    local += name + extra;
    std::uint64_t cdOffset = local.size() + size;
    std::string cd;
    Put32(cd, 0x02014b50);
    Put16(cd, 45);
    fields(cd);
    Put16(cd, 0);
    Put16(cd, 0);
    Put16(cd, 0);
    Put32(cd, 0);
    Put32(cd, 0);
    cd += name + extra;
    std::string tail = cd;
    std::uint64_t eocd64 = cdOffset + cd.size();
    Put32(tail, 0x06064b50);
    Put64(tail, 44);
    Put16(tail, 45);
    Put16(tail, 45);
    Put32(tail, 0);
    Put32(tail, 0);
    Put64(tail, 1);
    Put64(tail, 1);
    Put64(tail, cd.size());
    Put64(tail, cdOffset);
    Put32(tail, 0x07064b50);
    Put32(tail, 0);
    Put64(tail, eocd64);
    Put32(tail, 1);
    Put32(tail, 0x06054b50);
    Put16(tail, 0);
    Put16(tail, 0);
    Put16(tail, 1);
    Put16(tail, 1);
    Put32(tail, static_cast<std::uint32_t>(cd.size()));
    Put32(tail, 0xFFFFFFFF);
    Put16(tail, 0);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        throw std::runtime_error("cannot write " + path.string());
    }
    std::fwrite(local.data(), 1, local.size(), f);
    fseeko(f, static_cast<off_t>(cdOffset), SEEK_SET); // the hole stands for the data
    std::fwrite(tail.data(), 1, tail.size(), f);
    std::fclose(f);
}

std::string LhaStored(const std::vector<SMember>& members, int level, std::uint32_t stamp) {
    std::string out;
    for (const SMember& m : members) {
        std::string h;
        if (level == 0) {
            std::string body("-lh0-");
            Put32(body, static_cast<std::uint32_t>(m.m_strData.size()));
            Put32(body, static_cast<std::uint32_t>(m.m_strData.size()));
            Put16(body, stamp & 0xFFFF);
            Put16(body, stamp >> 16);
            body += '\x20';
            body += '\x00';
            body += static_cast<char>(m.m_strName.size());
            body += m.m_strName;
            Put16(body, Crc16(m.m_strData));
            unsigned sum = 0;
            for (unsigned char c : body) {
                sum += c;
            }
            h += static_cast<char>(body.size());
            h += static_cast<char>(sum & 0xFF);
            h += body;
        } else {
            // Extended headers: the common header (header CRC), then the file name;
            // each is followed by the size of the next, the last by 0.
            std::string crcExt("\x00\x00\x00", 3);
            std::string nameExt = "\x01" + m.m_strName;
            Put16(h, 0); // total size, set below
            h += "-lh0-";
            Put32(h, static_cast<std::uint32_t>(m.m_strData.size()));
            Put32(h, static_cast<std::uint32_t>(m.m_strData.size()));
            Put32(h, stamp);
            h += '\x20';
            h += '\x02';
            Put16(h, Crc16(m.m_strData));
            h += 'U';
            Put16(h, static_cast<unsigned>(crcExt.size() + 2));
            std::size_t crcAt = h.size() + 1;
            h += crcExt;
            Put16(h, static_cast<unsigned>(nameExt.size() + 2));
            h += nameExt;
            Put16(h, 0);
            h[0] = static_cast<char>(h.size() & 0xFF);
            h[1] = static_cast<char>(h.size() >> 8);
            unsigned crc = Crc16(h);
            h[crcAt] = static_cast<char>(crc & 0xFF);
            h[crcAt + 1] = static_cast<char>(crc >> 8);
        }
        out += h + m.m_strData;
    }
    out += '\0';
    return out;
}

int RunTool(const std::vector<std::string>& argv, const std::filesystem::path& cwd) {
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0) {
            _exit(127);
        }
        std::vector<char*> args;
        for (const std::string& s : argv) {
            args.push_back(const_cast<char*>(s.c_str()));
        }
        args.push_back(nullptr);
        freopen("/dev/null", "w", stdout);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace quillora::test
