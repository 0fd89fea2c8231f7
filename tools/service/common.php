<?php
// Shared by the pages: request checks, answers with an exact length, GBK output and the lookup
// of demo accounts. Nothing is written anywhere: query strings carry passwords.

if (realpath($_SERVER['SCRIPT_FILENAME'] ?? '') === __FILE__) {
    http_response_code(404);
    exit;
}

function service_data(): array
{
    static $data = null;
    if ($data === null) {
        $data = require __DIR__ . '/data.php';
    }
    return $data;
}

// The whole answer at once, with its length: the client then needs neither chunk decoding nor
// the end of the connection to know the body is complete.
function send_answer(int $status, string $contentType, string $body): void
{
    http_response_code($status);
    header_remove('X-Powered-By');
    header('Content-Type: ' . $contentType);
    header('Content-Length: ' . strlen($body));
    header('Cache-Control: no-store');
    echo $body;
    exit;
}

// Short plain-text refusals, in ASCII so they read the same in any code page.
function send_refusal(int $status, string $text): void
{
    send_answer($status, 'text/plain; charset=gbk', $text . "\r\n");
}

function to_gbk(string $utf8): string
{
    $gbk = @iconv('UTF-8', 'GBK', $utf8);
    if ($gbk === false) {
        send_refusal(500, 'text not representable in GBK');
    }
    return $gbk;
}

// A query value as PHP decoded it, or null when it is missing or not a plain value (name[]=).
function query_value(string $name): ?string
{
    $value = $_GET[$name] ?? null;
    return is_string($value) ? $value : null;
}

function require_query_value(string $name): string
{
    $value = query_value($name);
    if ($value === null) {
        send_refusal(400, "missing $name");
    }
    return $value;
}

// Every page the client asks for is a GET tagged with its referral ("rf=main").
function require_tagged_get(): void
{
    $method = $_SERVER['REQUEST_METHOD'] ?? 'GET';
    if ($method !== 'GET' && $method !== 'HEAD') {
        header('Allow: GET, HEAD');
        send_refusal(405, 'only GET is served');
    }
    if ((query_value('rf') ?? '') === '') {
        send_refusal(400, 'missing rf');
    }
}

// This server as the client reaches it. Links we hand out stay on loopback whatever name the
// server was started with.
function service_base_url(): string
{
    $host = $_SERVER['SERVER_NAME'] ?? '';
    if (!preg_match('/^127\.\d{1,3}\.\d{1,3}\.\d{1,3}$/', $host)) {
        $host = '127.0.0.1';
    }
    $port = (int)($_SERVER['SERVER_PORT'] ?? 80);
    return $port === 80 ? "http://$host" : "http://$host:$port";
}

// The account whose user name and password match the decoded bytes exactly, or null. The
// client sends both in GBK; the whole name counts, so "demo&x=1" is nobody.
function find_account(string $userName, string $password): ?array
{
    foreach (service_data()['accounts'] as $account) {
        if (to_gbk($account['user']) !== $userName) {
            continue;
        }
        return hash_equals(to_gbk($account['password']), $password) ? $account : null;
    }
    return null;
}

function may_fetch_routes(array $account): bool
{
    return strcasecmp($account['vpn']['AuthResult'] ?? '', 'OK') === 0 && !empty($account['routes']);
}
