<?php
// The checks run against a started reference service (see check_service.php).

declare(strict_types=1);

final class ServiceChecks
{
    private const WRONG = ['AuthResult' => 'WrongPassword', 'RequiredClientVersion' => '1.1.0.0'];
    private const CHINESE_USER = '加速测试';
    private const CHINESE_PASSWORD = 'p&w=1+2 %41#x';
    private const SPECIAL_ROUTE = '全局 hk&us=1+2#%';
    // Route entries may only name private and documentation networks.
    private const ALLOWED_NETWORKS = [
        ['10.0.0.0', 8], ['172.16.0.0', 12], ['192.168.0.0', 16],
        ['192.0.2.0', 24], ['198.51.100.0', 24], ['203.0.113.0', 24],
    ];
    // The directories the server selection window is tried with, as the client reads them:
    // route titles, then servers as [Title, ServerHost, Load, Protocols], in document order.
    private const SELECTION_DIRECTORIES = [
        'many' => [
            'routes' => ['电信加速', '网通游戏专线', '教育网加速', '全局加速（修改默认网关）', '电信加速', '局域网联机'],
            'servers' => [
                ['北京电信一号', '127.0.0.1', '0.35', 'pptp,l2tp,openvpn'],
                ['上海电信二号', '127.0.0.2', '0.8', 'pptp'],
                ['广州网通三号', '127.0.0.3', '0.05', 'openvpn'],
                ['香港国际四号', '127.0.0.4', '1', 'pptp,openvpn'],
                ['天津教育网五号', '127.0.0.5', '0.6', 'l2tp,openvpn'],
                ['成都电信六号', '127.0.0.6', '0.125', 'pptp,l2tp,openvpn'],
                ['西安网通七号', '  127.0.0.7 ', '0.5', 'pptp,l2tp'],
                ['上海电信二号', '127.0.0.8', '0.2', 'l2tp'],
                ['南京电信九号', '127.0.0.9', 'abc', 'PPTP'],
                ['重庆网通十号', '127.0.0.10', '', ''],
                ['昆明电信待定', '', '0.3', 'pptp'],
                ['杭州电信十一号', '127.0.0.11', '0', 'l2tp,openvpn'],
                ['大连网通十二号', '127.0.0.12', '0.9', 'openvpn,pptp'],
            ],
        ],
        'noproto' => [
            'routes' => ['电信加速'],
            'servers' => [
                ['武汉维护中', '127.0.0.5', '0', ''],
                ['上海电信二号', '127.0.0.2', '0.8', 'pptp'],
            ],
        ],
        'empty' => ['routes' => [], 'servers' => []],
    ];

    private int $checks = 0;
    private int $failures = 0;

    public function __construct(private int $port, private float $deadline)
    {
    }

    public function report(): bool
    {
        printf("service: %d checks, %d failed\n", $this->checks, $this->failures);
        return $this->failures === 0;
    }

    public function requestErrors(): void
    {
        $base = '/client_login.php?username=demo&password=demo';
        $refusals = [
            "$base&rf=main" => [400, 'missing cmd'],
            "$base&cmd=LOGIN&rf=main" => [400, 'unknown cmd'],
            "$base&cmd=login" => [400, 'missing rf'],
            "$base&cmd=login&rf=" => [400, 'missing rf'],
            '/client_login.php?username[]=demo&password=demo&cmd=login&rf=main' => [400, 'missing username'],
            '/client_login.php?username=demo&cmd=login&rf=main' => [400, 'missing password'],
            "$base&cmd=getvpnroutes&rf=main" => [400, 'missing id'],
        ];
        foreach ($refusals as $target => [$status, $text]) {
            $answer = $this->get($target);
            $this->check($answer['status'] === $status && $answer['body'] === "$text\r\n",
                "$target: $status \"$text\", got {$answer['status']} \"" . self::excerpt($answer['body']) . '"');
        }
        $answer = $this->get("$base&cmd=login&rf=main", 'POST');
        $this->check($answer['status'] === 405, 'POST is refused with 405');
    }

    // Every demo account answers as the README promises; wrong passwords and unknown users,
    // including "demo&x=1", get WrongPassword and no directory.
    public function accounts(array $data): void
    {
        $ok = ['AuthResult' => 'OK', 'RequiredClientVersion' => '1.1.0.0'];
        $contract = [
            ['demo', 'demo', $ok, true],
            [self::CHINESE_USER, self::CHINESE_PASSWORD, $ok, true],
            ['busy', 'busy', self::WRONG, false],
            ['locked', 'locked', ['AuthResult' => 'Locked'] + self::WRONG, false],
            ['expired', 'expired', ['AuthResult' => 'Expired'] + self::WRONG, false],
            ['message', 'message', ['AuthResult' => 'ErrorByMessage',
                'AuthResultMessage' => '服务器维护中，请于今晚22:00以后再登录。'] + self::WRONG, false],
            ['suspended', 'suspended', ['AuthResult' => 'Suspended'] + self::WRONG, false],
            ['upgrade', 'upgrade', ['RequiredClientVersion' => '1.1.0.1',
                'UpdateURL' => "http://127.0.0.1:{$this->port}/client_update.php"] + $ok, true],
            ['upgrade-file', 'upgrade-file', ['RequiredClientVersion' => '2.0.0.0',
                'UpdateURL' => 'file:///C:/windows/notepad.exe'] + $ok, false],
            ['oklower', 'oklower', ['AuthResult' => 'ok'] + $ok, true],
            ['noresult', 'noresult', ['RequiredClientVersion' => '1.1.0.0'], false],
            ['noversion', 'noversion', ['AuthResult' => 'OK'], true],
            ['many', 'many', $ok, true],
            ['noproto', 'noproto', $ok, true],
            ['hostile', 'hostile', $ok, true],
            ['empty', 'empty', $ok, false],
            ['demo', 'Demo', self::WRONG, false],
            ['demo', '', self::WRONG, false],
            ['Demo', 'demo', self::WRONG, false],
            ['demo&x=1', 'demo', self::WRONG, false],
            ['demo ', 'demo', self::WRONG, false],
            ['nobody', 'nobody', self::WRONG, false],
            ['', '', self::WRONG, false],
            ['locked', 'demo', self::WRONG, false],
        ];
        $covered = [];
        foreach ($contract as [$user, $password, $vpn, $directory]) {
            $document = $this->login($user, $password);
            $what = "login \"$user\"/\"$password\"";
            $this->check($this->sorted($document['vpn'] ?? []) === $this->sorted($vpn),
                "$what: VPN section " . json_encode($document['vpn'] ?? null, JSON_UNESCAPED_UNICODE));
            $this->check(isset($document['routes'], $document['servers']) === $directory,
                "$what: directory " . ($directory ? 'present' : 'absent'));
            $covered[$user] = true;
        }
        foreach ($data['accounts'] as $account) {
            $this->check(isset($covered[$account['user']]), "account {$account['user']} is in the contract above");
        }
    }

    // The service compares the decoded GBK bytes: other encodings of the same text are other
    // users or passwords.
    public function encoding(): void
    {
        $user = self::encode(self::CHINESE_USER);
        $password = self::encode(self::CHINESE_PASSWORD);
        $tail = '&cmd=login&rf=main';
        $cases = [
            'UTF-8 user name' => [rawurlencode(self::CHINESE_USER), $password, self::WRONG],
            'raw "+" in the password' => [$user, str_replace('%2B', '+', $password), self::WRONG],
            'raw "%" in the password' => [$user, str_replace('%2541', '%41', $password), self::WRONG],
            'GBK user name, every byte encoded' => [$user, $password, ['AuthResult' => 'OK'] + self::WRONG],
        ];
        foreach ($cases as $what => [$userField, $passwordField, $vpn]) {
            $document = $this->document($what, $this->get(
                "/client_login.php?username=$userField&password=$passwordField$tail"));
            $this->check($this->sorted($document['vpn'] ?? []) === $this->sorted($vpn), "$what: " . $vpn['AuthResult']);
        }
        // What a client that inserts the name raw would cause: the rest becomes another field.
        $document = $this->document('raw "&"', $this->get("/client_login.php?username=demo&x=1&password=demo$tail"));
        $this->check(($document['vpn']['AuthResult'] ?? '') === 'OK', 'raw "demo&x=1" is read as user demo');
    }

    // Directories of the accounts that may connect, and every route list they offer.
    public function directories(array $data): void
    {
        $seen = ['gateway' => [], 'protocols' => [], 'hosts' => [], 'blank line' => false, 'fraction' => false];
        $features = array_fill_keys([
            'a route title given twice', 'a server title given twice', 'a first server without protocols',
            'a host with blanks around it', 'an empty host', 'an empty load', 'a load that is no number',
        ], false);
        foreach ($data['accounts'] as $account) {
            if (strcasecmp($account['vpn']['AuthResult'] ?? '', 'OK') !== 0 || empty($account['routes'])) {
                continue;
            }
            $user = $account['user'];
            $document = $this->login($user, $account['password']);
            $routes = $this->indexedList("$user Routes", $document['routes'] ?? [],
                ['Title', 'RouteId', 'ModifyDefaultGateway']);
            $servers = $this->indexedList("$user Servers", $document['servers'] ?? [],
                ['Title', 'Comment', 'Load', 'ServerHost', 'Protocols']);
            $this->check(count($routes) > 0 && count($servers) > 0, "$user: routes and servers listed");

            $features['a route title given twice'] |= self::repeats(array_column($routes, 'Title'));
            $features['a server title given twice'] |= self::repeats(array_column($servers, 'Title'));
            $features['a first server without protocols'] |= ($servers[0]['Protocols'] ?? null) === '';

            $ids = array_column($routes, 'RouteId');
            $this->check(count(array_unique($ids)) === count($ids) && !in_array(null, $ids, true), "$user: route ids set and unique");
            foreach ($routes as $index => $route) {
                $gateway = $route['ModifyDefaultGateway'] ?? '';
                $this->check(in_array($gateway, ['', '0', '1'], true), "$user route $index: ModifyDefaultGateway 0 or 1");
                $seen['gateway'][$gateway] = true;
                $this->check(preg_match('/\p{Han}/u', $route['Title']) === 1, "$user route $index: Chinese title");
                $seen['blank line'] |= $this->routeList($user, $account['password'], (string)($route['RouteId'] ?? ''));
            }
            foreach ($servers as $index => $server) {
                $what = "$user server $index";
                // An empty host is kept (the speed test skips it); any other, trimmed, is loopback.
                $this->check(array_key_exists('ServerHost', $server), "$what: ServerHost key present");
                $host = trim($server['ServerHost'] ?? '');
                if ($user === 'hostile') {
                    // Its options must follow a loopback address all the same.
                    $host = strtok($host, ' ');
                }
                $address = ip2long($host);
                $this->check($host === '' || ($address !== false && ($address >> 24) === 127), "$what: host on 127.0.0.0/8 or empty");
                $seen['hosts'][$host] = true;
                $features['a host with blanks around it'] |= $host !== '' && $host !== $server['ServerHost'];
                $features['an empty host'] |= $host === '' && ($server['ServerHost'] ?? null) === '';
                // The client shows the leading decimal number, 0 when there is none.
                $load = $server['Load'] ?? '';
                $number = preg_match('/^\d+(\.\d+)?/', $load, $m) === 1 ? (float)$m[0] : 0.0;
                $this->check($number >= 0.0 && $number <= 1.0, "$what: load between 0 and 1");
                $features['an empty load'] |= $load === '';
                $features['a load that is no number'] |= $load !== '' && !isset($m[0]);
                $protocols = $server['Protocols'] ?? '';
                $this->check(preg_match('/^((pptp|l2tp|openvpn)(,(pptp|l2tp|openvpn))*)?$/i', $protocols) === 1, "$what: protocols");
                $this->check(preg_match('/\p{Han}/u', $server['Title'] . ($server['Comment'] ?? '')) === 1, "$what: Chinese title and comment");
                $seen['protocols'][$protocols] = true;
                $seen['fraction'] |= preg_match('/^0\.\d+$/', $server['Load'] ?? '') === 1;
            }
        }
        $this->check(isset($seen['gateway']['1']) && (isset($seen['gateway']['0']) || isset($seen['gateway'][''])),
            'routes with and without ModifyDefaultGateway');
        $this->check(isset($seen['gateway']['']), 'a route without the ModifyDefaultGateway key');
        foreach (['pptp,l2tp,openvpn', 'pptp', 'openvpn', 'pptp,openvpn', 'PPTP', ''] as $set) {
            $this->check(isset($seen['protocols'][$set]), "a server offering \"$set\"");
        }
        for ($i = 1; $i <= 12; ++$i) {
            $this->check(isset($seen['hosts']["127.0.0.$i"]), "a server on 127.0.0.$i");
        }
        foreach ($features as $feature => $present) {
            $this->check((bool)$present, $feature);
        }
        $this->check((bool)$seen['blank line'], 'a route list with blank lines');
        $this->check((bool)$seen['fraction'], 'a load given as a decimal fraction');
    }

    // The selection window's accounts list exactly what its tests rely on: the order, the
    // duplicates, the empty and blank-padded hosts, the odd loads and protocols.
    public function selectionDirectories(): void
    {
        foreach (self::SELECTION_DIRECTORIES as $user => $expected) {
            $document = $this->login($user, $user);
            $routes = $this->indexedList("$user Routes", $document['routes'] ?? [],
                ['Title', 'RouteId', 'ModifyDefaultGateway']);
            $servers = $this->indexedList("$user Servers", $document['servers'] ?? [],
                ['Title', 'Comment', 'Load', 'ServerHost', 'Protocols']);
            $this->check(array_column($routes, 'Title') === $expected['routes'],
                "$user: route titles " . json_encode(array_column($routes, 'Title'), JSON_UNESCAPED_UNICODE));
            $this->check(count($servers) === count($expected['servers']), "$user: " . count($expected['servers']) . ' servers');
            foreach ($expected['servers'] as $index => $row) {
                $server = $servers[$index] ?? [];
                $actual = [$server['Title'] ?? null, $server['ServerHost'] ?? null, $server['Load'] ?? null,
                    $server['Protocols'] ?? null];
                $this->check($actual === $row, "$user server $index: " . json_encode($actual, JSON_UNESCAPED_UNICODE));
            }
        }
    }

    public function routeListRefusals(): void
    {
        $cases = [
            ['demo', 'wrong', 'ct-basic', 403],
            ['nobody', 'nobody', 'ct-basic', 403],
            ['locked', 'locked', 'ct-basic', 403],
            ['noresult', 'noresult', 'ct-basic', 403],
            ['upgrade-file', 'upgrade-file', 'ct-basic', 403],
            ['demo', 'demo', 'nope', 404],
            ['demo', 'demo', 'CT-BASIC', 404],
            ['oklower', 'oklower', 'ct-basic', 404],
            ['empty', 'empty', 'ct-basic', 403],
            ['noproto', 'noproto', 'ct-night', 404],
            ['demo', 'demo', 'ct-night', 404],
        ];
        foreach ($cases as [$user, $password, $id, $status]) {
            $answer = $this->get($this->routesTarget($user, $password, self::encode($id)));
            $this->check($answer['status'] === $status && !str_contains($answer['body'], 'mask'),
                "routes of $user/$password, id $id: $status, got {$answer['status']}");
        }
        $raw = str_replace('%2B', '+', self::encode(self::SPECIAL_ROUTE));
        $answer = $this->get($this->routesTarget(self::CHINESE_USER, self::CHINESE_PASSWORD, $raw));
        $this->check($answer['status'] === 404, 'a route id with a raw "+" is another id');
    }

    public function pages(): void
    {
        $notice = $this->get('/client_notice.php?rf=main');
        $this->check($notice['status'] === 200, 'notice page: 200');
        $this->check(($notice['headers']['content-type'] ?? '') === 'text/html; charset=gbk', 'notice page: HTML in GBK');
        $text = $this->decode('notice page', $notice['body']) ?? '';
        $this->check(str_contains($text, '<title>') && str_contains($text, '服务公告') && str_contains($text, 'charset=gbk'),
            'notice page: title, heading and charset');
        $this->check($this->get('/client_notice.php')['status'] === 400, 'notice page without rf: 400');

        $update = $this->login('upgrade', 'upgrade')['vpn']['UpdateURL'] ?? '';
        $path = (string)parse_url($update, PHP_URL_PATH);
        $page = $this->get($path);
        $this->check($page['status'] === 200 && str_contains($this->decode('update page', $page['body']) ?? '', '新版本'),
            "update page $path");

        foreach (['/data.php', '/common.php'] as $private) {
            $answer = $this->get($private);
            $this->check($answer['status'] === 404 && !str_contains($answer['body'], 'password'), "$private is not served");
        }
    }

    // Fetches one route list and checks its lines; true when it holds a blank line.
    private function routeList(string $user, string $password, string $id): bool
    {
        $what = "routes $id for $user";
        $answer = $this->get($this->routesTarget($user, $password, self::encode($id)));
        $this->check($answer['status'] === 200, "$what: 200, got {$answer['status']}");
        $this->check(($answer['headers']['content-type'] ?? '') === 'text/plain; charset=gbk', "$what: text in GBK");
        $text = $this->decode($what, $answer['body']) ?? '';
        $this->check(self::crlfOnly($text) && str_ends_with($text, "\r\n"), "$what: CR LF line ends");
        $lines = explode("\r\n", substr($text, 0, -2));
        $entries = 0;
        foreach ($lines as $line) {
            if ($line !== '') {
                $entries += $this->checkRouteLine("$what: \"$line\"", $line) ? 1 : 0;
            }
        }
        $this->check($entries > 0, "$what: entries");
        return in_array('', $lines, true);
    }

    // "net mask netmask" (any case, any blanks) or CIDR, inside the allowed networks.
    private function checkRouteLine(string $what, string $line): bool
    {
        if (preg_match('/^\s*(\S+)\s+mask\s+(\S+)\s*$/i', $line, $m)) {
            $network = ip2long($m[1]);
            $mask = ip2long($m[2]);
            $hostBits = $mask === false ? 1 : ~$mask & 0xFFFFFFFF;
            $this->check($mask !== false && ($hostBits & ($hostBits + 1)) === 0, "$what: contiguous netmask");
            $bits = $mask === false ? -1 : substr_count(decbin($mask), '1');
        } elseif (preg_match('#^(\d+\.\d+\.\d+\.\d+)/(\d+)$#', $line, $m)) {
            $network = ip2long($m[1]);
            $bits = (int)$m[2];
            $mask = $bits === 0 ? 0 : ((-1 << (32 - $bits)) & 0xFFFFFFFF);
        } else {
            $this->check(false, "$what: a route entry");
            return false;
        }
        $inside = false;
        foreach (self::ALLOWED_NETWORKS as [$allowed, $allowedBits]) {
            $allowedMask = (-1 << (32 - $allowedBits)) & 0xFFFFFFFF;
            $inside = $inside || ($network !== false && $bits >= $allowedBits
                && ($network & $allowedMask) === ip2long($allowed));
        }
        $this->check($inside && $network !== false && ($network & ~$mask) === 0, "$what: private or documentation network");
        return true;
    }

    // Index => values of "NameN" keys; the list ends at the first blank Title, and no key may
    // lie beyond it or carry another name.
    private function indexedList(string $what, array $section, array $names): array
    {
        $list = [];
        for ($i = 0; trim($section["Title$i"] ?? '') !== ''; ++$i) {
            $list[$i] = [];
        }
        foreach ($section as $key => $value) {
            $known = preg_match('/^(' . implode('|', $names) . ')(\d+)$/', $key, $m) === 1 && isset($list[(int)$m[2]]);
            $this->check($known, "$what: key $key belongs to a listed entry");
            if ($known) {
                $list[(int)$m[2]][$m[1]] = $value;
            }
        }
        return $list;
    }

    private function login(string $user, string $password): array
    {
        $target = '/client_login.php?username=' . self::encode($user) . '&password=' . self::encode($password)
            . '&cmd=login&rf=main';
        return $this->document("login $user", $this->get($target));
    }

    private function routesTarget(string $user, string $password, string $encodedId): string
    {
        return '/client_login.php?username=' . self::encode($user) . '&password=' . self::encode($password)
            . "&cmd=getvpnroutes&id=$encodedId&rf=main";
    }

    // The login document as lower-case section name => [key => value], as the client's INI
    // reader would see it (names are unique here, so first-match rules do not matter): the value
    // trimmed, then one pair of enclosing quotes removed.
    private function document(string $what, array $answer): array
    {
        $this->check($answer['status'] === 200, "$what: 200, got {$answer['status']}");
        $this->check(($answer['headers']['content-type'] ?? '') === 'text/plain; charset=gbk', "$what: text in GBK");
        $text = $this->decode($what, $answer['body']) ?? '';
        $this->check(self::crlfOnly($text) && str_ends_with($text, "\r\n"), "$what: CR LF line ends");
        $sections = [];
        $current = null;
        foreach (explode("\r\n", $text) as $line) {
            if ($line === '') {
                continue;
            }
            if (preg_match('/^\[(.+)\]$/', $line, $m)) {
                $current = strtolower($m[1]);
                $this->check(!isset($sections[$current]), "$what: section $current once");
                $sections[$current] = [];
            } elseif ($current !== null && preg_match('/^([A-Za-z0-9]+)=(.*)$/', $line, $m)) {
                $this->check(!isset($sections[$current][$m[1]]), "$what: key {$m[1]} once");
                $quoted = preg_match('/^"(.*)"$/', $m[2], $q) === 1;
                $value = $quoted ? $q[1] : $m[2];
                // Quotes only where the reader would otherwise drop blanks.
                $this->check($m[2] === trim($m[2]) && $quoted === ($value !== trim($value))
                    && !preg_match('/^[\'"]|[\'"]$/', $value),
                    "$what: {$m[1]} reads as meant (quoted exactly when it has blanks at an end)");
                $sections[$current][$m[1]] = $value;
            } else {
                $this->check(false, "$what: line \"$line\" is a section or a key");
            }
        }
        return $sections;
    }

    private function decode(string $what, string $gbk): ?string
    {
        $text = @iconv('GBK', 'UTF-8', $gbk);
        $this->check($text !== false, "$what: valid GBK");
        return $text === false ? null : $text;
    }

    private function get(string $target, string $method = 'GET'): array
    {
        if (microtime(true) > $this->deadline) {
            fwrite(STDERR, "out of time\n");
            exit(1);
        }
        $failed = ['status' => 0, 'headers' => [], 'body' => ''];
        $socket = @stream_socket_client("tcp://127.0.0.1:{$this->port}", $errno, $error, 5);
        if ($socket === false) {
            $this->check(false, "$target: connect ($error)");
            return $failed;
        }
        stream_set_timeout($socket, 5);
        fwrite($socket, "$method $target HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
        $raw = (string)stream_get_contents($socket);
        $timedOut = stream_get_meta_data($socket)['timed_out'];
        fclose($socket);

        $end = strpos($raw, "\r\n\r\n");
        $lines = explode("\r\n", substr($raw, 0, (int)$end));
        $this->check(!$timedOut && $end !== false && preg_match('#^HTTP/1\.[01] (\d{3}) #', $lines[0], $m) === 1,
            "$target: a complete answer");
        if ($timedOut || $end === false || !isset($m[1])) {
            return $failed;
        }
        $headers = [];
        foreach (array_slice($lines, 1) as $line) {
            [$name, $value] = array_pad(explode(':', $line, 2), 2, '');
            $headers[strtolower(trim($name))] = trim($value);
        }
        $body = substr($raw, $end + 4);
        if (str_starts_with($target, '/client_')) {
            $this->check(($headers['content-length'] ?? '') === (string)strlen($body), "$target: Content-Length");
        }
        return ['status' => (int)$m[1], 'headers' => $headers, 'body' => $body];
    }

    private static function repeats(array $values): bool
    {
        return count(array_unique($values)) < count($values);
    }

    private function check(bool $passed, string $what): void
    {
        ++$this->checks;
        if (!$passed) {
            ++$this->failures;
            fwrite(STDERR, "FAIL: $what\n");
        }
    }

    private function sorted(array $values): array
    {
        ksort($values);
        return $values;
    }

    // The start of a body, readable whatever its encoding.
    private static function excerpt(string $body): string
    {
        return preg_replace('/[^\x20-\x7E]/', '?', substr($body, 0, 40));
    }

    private static function crlfOnly(string $text): bool
    {
        return preg_match('/\r(?!\n)|(?<!\r)\n/', $text) === 0;
    }

    // As the client sends values: their GBK bytes, every byte outside A-Z a-z 0-9 - . _ ~ as %XX.
    private static function encode(string $utf8): string
    {
        return rawurlencode(iconv('UTF-8', 'GBK', $utf8));
    }
}
