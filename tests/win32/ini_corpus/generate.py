#!/usr/bin/env python3
"""Writes the awkward INI files that ini_compare_test.cpp reads through both the system's
profile functions and CIniDocument. Run it from anywhere; it writes beside itself."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, data):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


def lines(*rows, eol='\r\n'):
    return eol.join(rows) + eol


write('quotes.ini', lines(
    '[Quotes]',
    'double="hello world"',
    "single='hello world'",
    'mixed="hello\'',
    'open="abc',
    'close=abc"',
    'lone="',
    "lone_single='",
    'empty_double=""',
    "empty_single=''",
    'inner="a"b"',
    'padded =   "  spaced inside  "   ',
    'two_pairs=""x""',
    "nested='\"x\"'",
    'middle=a"b"c',
).encode('ascii'))

write('blanks.ini', (
    '  [Blanks]  \r\n'
    '\tkey1\t=\tvalue one\t\r\n'
    'key2   =   value two   \r\n'
    '   \t   \r\n'
    'two words = two values here\r\n'
    'ctrlz=\x1avalue\x1a\r\n'
    'vt=\x0bvalue\x0c\r\n'
    'nbsp=\xa0x\xa0\r\n'
    'trailing_tab=x\t\t\r\n'
    '\r\n'
    '\x1a\r\n'
).encode('latin-1'))

write('case.ini', lines(
    '[MAIN]',
    'LoginURL=upper-section',
    'NOLOGIN=1',
    '[main]',
    'LoginURL=second-section',
    '[Vpn]',
    'authresult=ok',
).encode('ascii'))

# Non-ASCII letters: tells whether names fold beyond A-Z.
write('case_unicode.ini', b'\xef\xbb\xbf' + lines(
    '[Äpfel]',
    'Größe=latin1',
    '[ДОМ]',
    'КЛЮЧ=cyrillic',
    '[ＡＢＣ]',
    'ｋｅｙ=fullwidth',
    '[ΣΟΦΙΑ]',
    'Key=greek',
).encode('utf-8'))

write('duplicates.ini', lines(
    '[Dup]',
    'key=first',
    'KEY=second',
    'noeq',
    'noeq=has value',
    '[dup]',
    'key=third',
    'other=only in the second',
    '[Dup]',
    'late=x',
    '[Other]',
    'key=other section',
).encode('ascii'))

write('missing_equals.ini', lines(
    '[Keys]',
    'justakey',
    'key with blanks',
    '=nameless value',
    '=second nameless',
    '==double',
    'a==b',
    'x = = y',
    '#hash=1',
    'after=ok',
).encode('ascii'))

write('comments.ini', lines(
    '; leading comment',
    '[VPN]',
    '; AuthResult=Locked',
    ';AuthResult=Locked',
    'AuthResult=OK',
    '# RequiredClientVersion=9.9.9.9',
    'RequiredClientVersion=1.0.0.1 ; trailing comment stays',
    '[;section]',
    'k=v',
).encode('ascii'))

body = ['[Main]', 'NoLogin=0x1', 'VpnType=3', '[Routes]', 'Title0=One']
write('crlf.ini', lines(*body, eol='\r\n').encode('ascii'))
write('lf.ini', lines(*body, eol='\n').encode('ascii'))
write('cr.ini', lines(*body, eol='\r').encode('ascii'))
write('mixed_eol.ini', b'[Main]\r\r\nNoLogin=0x1\n\rVpnType=3\n\n[Routes]\rTitle0=One\r\n\r\n')
write('no_final_eol.ini', b'[Main]\r\nNoLogin=0x1\r\nVpnType=3')

long_value = ''.join(chr(ord('a') + i % 26) for i in range(5000))
login_urls = ';'.join('http://login%02d.example.test:8088/' % i for i in range(100))
assert len(login_urls) > 3000
write('long_value.ini', lines(
    '[Main]',
    'Long=' + long_value,
    'LoginURL=' + login_urls,
    'Quoted="' + long_value[:3000] + '"',
    'After=short',
).encode('ascii'))

write('gbk.ini', lines(
    '[服务器]',
    '标题=Qivra网络加速器',
    '[Servers]',
    'Title0=电信一区',
    'Comment0=“推荐” 线路',
    'Title1=  网通  ',
    '[VPN]',
    'AuthResult=ErrorByMessage',
    'AuthResultMessage=您的账号已过期，请续费。',
).encode('gbk'))

unicode_rows = lines(
    '[Servers]',
    'Title0=电信一区',
    'Comment0="带引号"',
    '[Main]',
    'VpnType=2',
)
write('utf16le_bom.ini', b'\xff\xfe' + unicode_rows.encode('utf-16-le'))
write('utf16be_bom.ini', b'\xfe\xff' + unicode_rows.encode('utf-16-be'))
write('utf8_bom.ini', b'\xef\xbb\xbf' + unicode_rows.encode('utf-8'))
# Without a BOM the same UTF-8 bytes are read as GBK: mojibake, but the same mojibake.
write('utf8_no_bom.ini', unicode_rows.encode('utf-8'))

write('empty_values.ini', lines(
    '[Empty]',
    'plain=',
    'blanks =   ',
    'quotes=""',
    'spaced_quotes=" "',
).encode('ascii'))

write('before_section.ini', lines(
    'orphan=before any section',
    'Orphan2 = second',
    '[Main]',
    'orphan=inside main',
).encode('ascii'))

write('section_names.ini', lines(
    '[ spaced ]',
    'k=spaced',
    '[tight]',
    'k=tight',
    '[  ]',
    'k=blank name',
    '[]',
    'k=empty name',
    '[a]b]',
    'k=last bracket',
    '[noclose',
    'k=after noclose',
    '[x] trailing',
    'k=trailing text',
    '    [indented]',
    'k=indented',
    '[in ner]',
    'k=inner blank',
).encode('ascii'))

write('empty.ini', b'')
write('bom_only.ini', b'\xef\xbb\xbf')

write('embedded_nul.ini', b'[Nul]\r\nkey=abc\x00def\r\nna\x00me=v\r\n[se\x00c]\r\nk=v\r\n')

write('login.ini', lines(
    '[VPN]',
    'RequiredClientVersion=1.2.0.0',
    'UpdateURL=http://www.example.test/update.php',
    'AuthResult=OK',
    '[Routes]',
    'Title0=全部线路',
    'RouteId0=1',
    'ModifyDefaultGateway0=1',
    'Title1=游戏线路',
    'RouteId1=7',
    'ModifyDefaultGateway1=0',
    '[Servers]',
    'Title0=电信一区',
    'Comment0=推荐',
    'Load0=0.35',
    'ServerHost0=127.0.0.1',
    'Protocols0=pptp,l2tp,openvpn',
    'Title1=网通二区',
    'Load1=0.9',
    'ServerHost1=vpn2.example.test',
    'Protocols1=openvpn',
).encode('gbk'))
