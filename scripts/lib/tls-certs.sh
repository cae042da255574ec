# Sourced by tests/support/tls-server and scripts/bench: throwaway certificates for a sandbox server
# that takes TLS, made with openssl in a folder of their own (never in the source tree).

# korvana_make_certs <folder>: a CA, a second CA the server's certificate does not chain to, the
# server's certificate for 127.0.0.1 (and no other name) and a client certificate; two days are
# plenty for a run.
korvana_make_certs() {
    local certs=$1
    command -v openssl >/dev/null || { echo "openssl is not installed (Debian package openssl)" >&2; return 1; }
    rm -rf "$certs"
    mkdir -p "$certs"
    (
        set -e
        cd "$certs"
        local req="openssl req -newkey rsa:2048 -nodes -days 2"
        $req -x509 -subj "/CN=Korvana test CA" -keyout ca-key.pem -out ca.pem
        $req -x509 -subj "/CN=Korvana other CA" -keyout other-ca-key.pem -out other-ca.pem
        $req -subj "/CN=127.0.0.1" -keyout server-key.pem -out server.csr
        printf 'subjectAltName=IP:127.0.0.1\n' >server.ext
        openssl x509 -req -in server.csr -CA ca.pem -CAkey ca-key.pem -CAcreateserial -days 2 \
            -extfile server.ext -out server.pem
        $req -subj "/CN=korvana-client" -keyout client-key.pem -out client.csr
        openssl x509 -req -in client.csr -CA ca.pem -CAkey ca-key.pem -CAcreateserial -days 2 -out client.pem
        chmod 600 ./*-key.pem
    ) >"$certs/make.log" 2>&1 || { cat "$certs/make.log" >&2; echo "making the certificates failed" >&2; return 1; }
}

# The server options that offer TLS with the certificates of <folder>.
korvana_tls_options() {
    echo "--ssl-ca=$1/ca.pem --ssl-cert=$1/server.pem --ssl-key=$1/server-key.pem"
}
