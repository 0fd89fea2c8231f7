<?php
// Login and route lists for the client.
//   cmd=login&username=..&password=..&rf=..              -> the login document (INI, GBK)
//   cmd=getvpnroutes&username=..&password=..&id=..&rf=.. -> the route document (one entry a line)
// Values arrive percent-encoded in GBK and are compared byte for byte after PHP's decoding.

require __DIR__ . '/common.php';

const CRLF = "\r\n";

// The client reads values the way GetPrivateProfileString does: blanks at both ends are dropped,
// then one pair of enclosing quotes. A value with blanks at an end therefore goes out quoted.
function ini_value(string $value): string
{
    return $value === trim($value) ? $value : '"' . $value . '"';
}

function ini_section(string $name, array $values): string
{
    $text = "[$name]" . CRLF;
    foreach ($values as $key => $value) {
        $text .= $key . '=' . ini_value((string)$value) . CRLF;
    }
    return $text;
}

function login_document(?array $account): string
{
    $data = service_data();
    if ($account === null) {
        $vpn = ['RequiredClientVersion' => $data['client_version'], 'AuthResult' => 'WrongPassword'];
        return to_gbk(ini_section('VPN', $vpn));
    }

    $vpn = str_replace('{base}', service_base_url(), $account['vpn']);
    $text = ini_section('VPN', $vpn);

    if (!empty($account['routes'])) {
        $routes = [];
        foreach ($account['routes'] as $index => $id) {
            $route = $data['routes'][$id];
            $routes["Title$index"] = $route['title'];
            $routes["RouteId$index"] = $id;
            if ($route['modify_default_gateway'] !== null) {
                $routes["ModifyDefaultGateway$index"] = $route['modify_default_gateway'];
            }
        }
        $text .= CRLF . ini_section('Routes', $routes);
    }
    if (!empty($account['servers'])) {
        $servers = [];
        foreach ($account['servers'] as $index => $name) {
            $server = $data['servers'][$name];
            $servers["Title$index"] = $server['title'];
            $servers["Comment$index"] = $server['comment'];
            $servers["Load$index"] = $server['load'];
            $servers["ServerHost$index"] = $server['host'];
            $servers["Protocols$index"] = $server['protocols'];
        }
        $text .= CRLF . ini_section('Servers', $servers);
    }
    return to_gbk($text);
}

function route_document(array $route): string
{
    return to_gbk(implode(CRLF, $route['lines']) . CRLF);
}

require_tagged_get();
$command = query_value('cmd');

if ($command === 'login') {
    $account = find_account(require_query_value('username'), require_query_value('password'));
    send_answer(200, 'text/plain; charset=gbk', login_document($account));
}

if ($command === 'getvpnroutes') {
    $account = find_account(require_query_value('username'), require_query_value('password'));
    $id = require_query_value('id');
    if ($account === null || !may_fetch_routes($account)) {
        send_refusal(403, 'not signed in');
    }
    foreach ($account['routes'] as $routeId) {
        if (to_gbk($routeId) === $id) {
            send_answer(200, 'text/plain; charset=gbk', route_document(service_data()['routes'][$routeId]));
        }
    }
    send_refusal(404, 'unknown route');
}

send_refusal(400, $command === null ? 'missing cmd' : 'unknown cmd');
