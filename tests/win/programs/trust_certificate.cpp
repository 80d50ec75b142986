// Makes a test's certificate authority trusted in the Wine prefix it runs in,
// and nowhere else: adds the DER certificate named on the command line to
// the local machine's "Root" store, which Wine's crypt32 keeps in the
// prefix's registry and its TLS checks build chains from.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: trust_certificate CERTIFICATE.der\n");
        return 2;
    }
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot open %ls: error %lu\n", argv[1], GetLastError());
        return 1;
    }
    std::vector<BYTE> der(GetFileSize(file, nullptr));
    DWORD read = 0;
    const BOOL whole = ReadFile(file, der.data(), static_cast<DWORD>(der.size()), &read, nullptr) && read == der.size();
    CloseHandle(file);
    if (!whole || der.empty()) {
        std::fprintf(stderr, "cannot read %ls\n", argv[1]);
        return 1;
    }
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!root) {
        std::fprintf(stderr, "cannot open the Root store: error %lu\n", GetLastError());
        return 1;
    }
    const BOOL added = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(),
                                                        static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                                        nullptr);
    const DWORD error = GetLastError();
    CertCloseStore(root, 0);
    if (!added) {
        std::fprintf(stderr, "cannot add the certificate: error %lu\n", error);
        return 1;
    }
    return 0;
}
