#!/usr/bin/python3
"""Draws the recognition benchmark's pages from known text, with the truth kept per page.

    pages.py FOLDER COUNT

Clean A4 scans at 300 DPI (2480x3508, some turned 90 or 180 degrees) and phone-like photos
(JPEG 3000x4000 or 2000x2666: the sheet slightly turned and in perspective on a desk, uneven
light, blur and noise; some dark), all Chinese office prose or Chinese mixed with English.
FOLDER/truth.json lists, in page order: the image, its kind, the lines as drawn, and the
phrases a search for them should find; the count of each kind is printed.
"""
import collections
import json
import math
import os
import random
import re
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

A4 = (2480, 3508)
WQY = ("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", 0)
NOTO = "/usr/share/fonts/opentype/noto/Noto{}CJK-{}.ttc"

# Each document: its title and its paragraphs in order; a page takes the title and most of
# the paragraphs.
DOCUMENTS = {
    "notice": ("zh", "关于2024年度办公用品集中采购的通知", [
        "各部门、各分公司：",
        "为进一步规范办公用品采购流程，降低行政成本，经公司办公会研究决定，自2024年3月1日起实行集中采购制度。现将有关事项通知如下。",
        "一、各部门应于每月20日前通过内部办公系统提交采购申请，注明物品名称、规格型号、数量及预计用途。",
        "二、单笔金额超过5000元的采购，须经部门负责人和财务部双重审批后方可执行；超过20000元的，还须报分管副总经理批准。",
        "三、行政部负责汇总各部门需求，统一向供应商询价，原则上应比较不少于3家供应商的报价，择优选定。",
        "四、采购物品到货后，由申请部门与行政部共同验收，并在2个工作日内办理入库登记手续。",
        "五、对未按规定程序擅自采购的，财务部一律不予报销，并视情节追究相关人员的责任。",
        "六、行政部每季度对采购执行情况进行一次检查，并将检查结果在公司内网公布，接受全体员工监督。",
        "七、各部门应指定一名兼职物品管理员，负责本部门办公用品的领用登记和月末盘点，盘点表于次月5日前报行政部。",
        "八、供应商的选择和评价办法另行制定。对供货质量差、交货不及时的供应商，行政部应及时提出更换建议。",
        "本通知自发布之日起施行，原《办公用品管理暂行办法》同时废止。如有疑问，请联系行政部王丽，电话010-65238847，分机216。",
        "特此通知。",
        "北京华信科技有限公司行政部",
        "2024年2月26日",
    ]),
    "contract": ("zh", "设备采购合同", [
        "合同编号：HX-2024-0318",
        "甲方（采购方）：上海明达医疗器械有限公司",
        "乙方（供货方）：杭州安泰仪器股份有限公司",
        "根据《中华人民共和国民法典》及相关法律法规的规定，甲乙双方在平等、自愿的基础上，经友好协商，就设备采购事宜达成如下协议，以资共同遵守。",
        "第一条 乙方向甲方提供全自动生化分析仪2台，单价为人民币386,000元，合同总金额为人民币772,000元（大写：柒拾柒万贰仟元整）。",
        "第二条 乙方应于合同签订后45日内将设备运送至甲方指定地点，并负责安装调试，运输及保险费用由乙方承担。",
        "第三条 甲方在设备验收合格后10个工作日内支付合同总金额的90%，其余10%作为质量保证金，于质保期满后无息退还。",
        "第四条 设备质保期为验收合格之日起24个月。质保期内因设备本身质量问题造成的故障，乙方应在接到通知后48小时内到场维修。",
        "第五条 任何一方违反本合同约定的，应向守约方支付合同总金额5%的违约金；造成损失的，还应赔偿守约方的实际损失。",
        "第六条 因本合同引起的争议，双方应协商解决；协商不成的，任何一方均可向甲方所在地人民法院提起诉讼。",
        "第七条 乙方保证所提供的设备为全新、未使用过的合格产品，符合国家相关标准及双方约定的技术参数，并随机提供产品合格证、使用说明书和保修卡。",
        "第八条 乙方应在设备安装完成后，为甲方免费培训操作人员不少于6人，培训时间不少于3个工作日。",
        "第九条 本合同未尽事宜，由双方另行签订补充协议，补充协议与本合同具有同等法律效力。",
        "第十条 本合同一式四份，甲乙双方各执两份，自双方签字盖章之日起生效。",
        "甲方（盖章）：　　　　　　　　乙方（盖章）：",
        "签订日期：2024年3月18日",
    ]),
    "minutes": ("zh", "第三季度经营分析会会议纪要", [
        "时间：2024年10月12日上午9:30至11:45",
        "地点：公司总部三楼第二会议室",
        "主持人：刘建国　记录人：陈晓燕",
        "出席人员：总经理、各副总经理及各部门负责人，共计17人。",
        "会议听取了财务部关于前三季度经营情况的汇报。前三季度公司累计实现营业收入2.36亿元，同比增长12.4%；实现净利润3,180万元，同比增长8.7%。",
        "会议指出，第三季度华东地区销售额环比下降6.2%，主要原因是原材料价格上涨和部分客户订单推迟交付。",
        "会议要求，销售部要在10月31日前制定第四季度市场拓展方案，重点做好老客户回访和新项目跟踪工作。",
        "会议决定，研发中心新增两个项目组，人员编制由人力资源部会同研发中心于11月15日前落实到位。",
        "会议还研究了安全生产工作，要求各生产单位在11月底前完成消防设施的全面检查，确保年底前不发生重大安全事故。",
        "会议同意对信息中心的服务器进行扩容，预算不超过45万元，由信息中心在11月20日前提交采购方案。",
        "会议强调，各部门要严格控制费用支出，全年管理费用总额不得超过年度预算的95%。",
        "下次会议定于2025年1月8日召开，请各部门提前准备年度工作总结和下一年度工作计划。",
    ]),
    "safety": ("zh", "关于做好冬季安全生产工作的通知", [
        "各车间、各班组：",
        "入冬以来，气温持续下降，火灾、冻伤和交通事故的风险明显增加。为确保冬季生产安全，现就有关工作通知如下。",
        "一、各车间要在12月10日前完成一次全面的安全隐患排查，重点检查电气线路、取暖设备和消防器材，发现问题立即整改。",
        "二、严禁在生产区域和仓库内使用明火取暖，严禁私拉乱接电线。确需使用电暖器的，须报安全环保部登记备案。",
        "三、各班组要加强夜班人员管理，落实交接班制度，夜间巡查每2小时不少于1次，并做好巡查记录。",
        "四、遇有雨雪冰冻天气，厂区车辆限速每小时15公里，叉车司机须持证上岗，严禁超载运输。",
        "五、对在检查中发现的重大隐患，要做到整改措施、责任人员、整改资金、完成时限和应急预案五落实。",
        "六、各单位要组织开展一次冬季应急演练，演练内容包括火灾扑救、人员疏散和伤员救护，演练记录于12月20日前报送安全环保部。",
        "安全环保部将于12月中旬组织专项督查，检查结果纳入各单位年度绩效考核。值班电话：0571-88906312。",
        "安全环保部",
        "2024年11月28日",
    ]),
    "leave": ("zh", "员工请假管理规定", [
        "第一条 为规范员工请假管理，维护正常的工作秩序，结合公司实际情况，制定本规定。",
        "第二条 员工请假须提前通过人力资源系统提交申请，写明请假类别、起止时间和工作交接安排。",
        "第三条 请假1天以内的，由部门主管审批；1天以上3天以内的，由部门经理审批；3天以上的，须报人力资源部备案。",
        "第四条 员工因病请假超过2天的，应当提供二级以上医院出具的病假证明，否则按事假处理。",
        "第五条 员工每年享受带薪年休假，工作满1年不满10年的为5天，满10年不满20年的为10天，满20年的为15天。",
        "第六条 未经批准擅自离岗或者请假期满未按时返岗的，按旷工处理；连续旷工3天以上的，公司有权解除劳动合同。",
        "第七条 员工结婚的，按国家规定享受婚假3天；女员工生育的，按国家和地方规定享受产假，男员工在配偶生育期间享受陪产假15天。",
        "第八条 员工在请假期间如需变更返岗日期，应在原定返岗日前1个工作日通知部门主管，并补办相关手续。",
        "第九条 本规定由人力资源部负责解释，自2024年7月1日起施行。",
    ]),
    "weekly": ("mixed", "项目周报（Weekly Report）第12期", [
        "项目名称：Smart Warehouse 智能仓储系统升级",
        "报告周期：2024年3月11日至3月15日",
        "一、本周完成了 WMS 与 ERP 系统的接口联调，共测试 API 接口42个，通过率为97.6%。",
        "二、技术团队已将数据库从 MySQL 5.7 迁移至 PostgreSQL 15，迁移过程中未发现数据丢失。",
        "三、下周计划：完成 User Acceptance Testing 的测试用例编写，并于3月18日提交客户确认。",
        "四、风险提示：供应商 Global Logistics 的 RFID 读写器交付可能延期约2周，需要提前准备备选方案。",
        "五、本周共修复缺陷 Bug 28个，其中严重级别3个，剩余未关闭缺陷11个，预计下周三前全部关闭。",
        "六、服务器资源使用情况：CPU 平均负载为63%，内存使用率为71%，磁盘剩余空间约2.4 TB。",
        "下周例会时间调整为3月20日 Wednesday 下午2:00，会议地点为 B座 Conference Room 3。",
        "请各位同事在 Friday 下班前更新 Jira 上的任务状态，并在 Confluence 中补充本周的会议记录。",
        "采购订单 Purchase Order 编号 PO-2024-0457 已经财务审批，预计下周付款。",
        "Project Manager: David Chen",
    ]),
    "meeting": ("mixed", "Meeting Minutes 项目协调会纪要", [
        "Date: March 21, 2024  地点：上海办公室 Room 502",
        "参会人员：Siemens 中国区代表 Anna Wang、我方项目组全体成员，共9人。",
        "会议确认 Project Phoenix 的上线日期为2024年12月2日，由 David Chen 负责协调 release schedule。",
        "客户反馈 login page 在 Safari 浏览器中加载缓慢，前端组已定位到问题，将在 v2.3.1 版本中修复。",
        "Action items: update the test plan and send the revised budget to the finance team before Friday.",
        "本合同以中文和英文两种文字书写，两种文本具有同等效力。This Agreement is executed in both Chinese and English.",
        "培训安排：新员工入职培训 Onboarding Training 将于4月8日至4月10日在 Training Center 举行。",
        "预算方面，Q4 testing budget 增加至人民币150,000元，由财务部 Lisa Zhou 跟进审批流程。",
        "下次会议 next meeting 定于4月2日上午10点召开，请各小组提前提交 status report。",
        "Please submit your expense report by the end of this month. 报销单据须附原始发票。",
    ]),
}
# Words and phrases of each document a reader would type into a search box.
SEARCH_TERMS = {
    "notice": ["集中采购", "办公用品", "采购申请", "提交采购申请", "行政成本", "财务部双重审批",
               "分管副总经理", "供应商的报价", "办理入库登记手续", "不予报销", "物品管理员", "月末盘点",
               "公司内网公布", "更换建议", "特此通知"],
    "contract": ["设备采购合同", "合同编号", "医疗器械有限公司", "仪器股份有限公司", "全自动生化分析仪",
                 "合同总金额", "安装调试", "质量保证金", "无息退还", "质保期满", "违约金", "提起诉讼",
                 "补充协议", "签字盖章", "产品合格证", "使用说明书"],
    "minutes": ["经营分析会", "会议纪要", "第二会议室", "营业收入", "同比增长", "实现净利润", "华东地区",
                "原材料价格上涨", "市场拓展方案", "老客户回访", "人力资源部", "消防设施", "服务器进行扩容",
                "年度预算", "年度工作总结"],
    "safety": ["冬季安全生产", "安全隐患排查", "电气线路", "取暖设备", "消防器材", "明火取暖",
               "私拉乱接电线", "交接班制度", "夜间巡查", "雨雪冰冻天气", "持证上岗", "重大隐患",
               "应急演练", "人员疏散", "年度绩效考核", "值班电话"],
    "leave": ["请假管理规定", "工作秩序", "人力资源系统", "工作交接", "部门主管审批", "病假证明",
              "按事假处理", "带薪年休假", "擅自离岗", "按旷工处理", "解除劳动合同", "陪产假15天",
              "返岗日期", "补办相关手续"],
    "weekly": ["项目周报", "智能仓储系统", "接口联调", "通过率为", "未发现数据丢失", "迁移过程中",
               "测试用例编写", "客户确认", "风险提示", "备选方案", "任务状态", "会议记录", "财务审批",
               "修复缺陷", "内存使用率", "磁盘剩余空间", "MySQL 5.7", "PO-2024-0457",
               "Smart Warehouse 智能仓储系统", "CPU 平均负载", "Jira 上的任务状态", "Bug 28个"],
    "meeting": ["项目协调会", "上海办公室", "中国区代表", "项目组全体成员", "上线日期", "负责协调",
                "浏览器中加载缓慢", "前端组已定位到问题", "同等效力", "入职培训", "跟进审批流程",
                "原始发票", "报销单据", "v2.3.1 版本", "Safari 浏览器", "Project Phoenix 的上线日期",
                "Siemens 中国区代表", "Q4 testing budget"],
}
CHINESE = ["notice", "contract", "minutes", "safety", "leave"]
MIXED = ["weekly", "meeting"]

# The page kinds in turn: each run of twelve holds six clean pages (one turned 90 and one 180
# degrees) and six photos, two of them dark.
KINDS = [
    ("zh", "scan"), ("mixed", "scan"), ("zh", "rot90"), ("zh", "photo"),
    ("mixed", "rot180"), ("zh", "dark"), ("mixed", "photo-small"), ("zh", "scan"),
    ("zh", "photo-small"), ("mixed", "dark"), ("zh", "scan"), ("mixed", "photo"),
]

CJK = "\u3000-\u303f\u3400-\u9fff\uff00-\uffef"
NO_LINE_START = set("，。、；：！？）》」』”％%,.;:!?)")


def font(style, size, bold=False):
    """A Simplified Chinese face: Noto Sans or Serif CJK SC when installed, else WenQuanYi."""
    path = NOTO.format("Sans" if style == "sans" else "Serif", "Bold" if bold else "Regular")
    if os.path.exists(path):
        return ImageFont.truetype(path, size, index=2)
    return ImageFont.truetype(WQY[0], size, index=WQY[1])


def tokens(text):
    """Breakable pieces: one CJK character, a space, or a run of other characters."""
    return re.findall("[%s]| |[^ %s]+" % (CJK, CJK), text)


def wrap(text, face, width, indent):
    """Lines of text no wider than width, breaking between CJK characters or at spaces and
    never putting closing punctuation first on a line."""
    lines, line, room = [], "", width - indent
    for piece in tokens(text):
        if line and face.getlength(line + piece) > room and piece[0] not in NO_LINE_START:
            lines.append(line.rstrip())
            line, room = ("" if piece == " " else piece), width
        else:
            line += piece
    if line.strip():
        lines.append(line.rstrip())
    return lines


def draw_sheet(rng, document, style, paper):
    """A4 at 300 DPI with the document's title and most of its paragraphs; returns the image,
    the lines drawn and the paragraphs they came from."""
    _, title, paragraphs = DOCUMENTS[document]
    kept = [p for p in paragraphs if rng.random() < 0.85] or paragraphs[:3]
    size = rng.choice([46, 50, 54])
    body, head = font(style, size), font(style, int(size * 1.5), bold=True)
    sheet = Image.new("RGB", A4, paper)
    pen = ImageDraw.Draw(sheet)
    left, right, y = 260, A4[0] - 260, 330
    drawn = []
    for line in wrap(title, head, right - left, 0):
        x = (A4[0] - head.getlength(line)) / 2
        pen.text((x, y), line, font=head, fill=(20, 20, 20))
        drawn.append(line)
        y += int(size * 2.4)
    y += size
    for paragraph in kept:
        # Body paragraphs open with an indent of two characters; short sign-off lines do not.
        indent = 2 * size if len(paragraph) > 24 else 0
        for i, line in enumerate(wrap(paragraph, body, right - left, indent)):
            if y > A4[1] - 300:
                break
            pen.text((left + (indent if i == 0 else 0), y), line, font=body, fill=(25, 25, 25))
            drawn.append(line)
            y += int(size * 1.65)
        y += int(size * 0.5)
    used = [p for p in kept if any(line in p for line in drawn)]
    return sheet, drawn, [title] + used


def perspective(quad, size):
    """PIL's coefficients that map each output pixel inside quad (the sheet's corners, clockwise
    from top left) back into a sheet of size."""
    w, h = size
    corners = [(0, 0), (w, 0), (w, h), (0, h)]
    rows, values = [], []
    for (x, y), (u, v) in zip(quad, corners):
        rows.append([x, y, 1, 0, 0, 0, -u * x, -u * y]); values.append(u)
        rows.append([0, 0, 0, x, y, 1, -v * x, -v * y]); values.append(v)
    # Gaussian elimination with partial pivoting on the 8x8 system.
    n = 8
    m = [row + [value] for row, value in zip(rows, values)]
    for c in range(n):
        p = max(range(c, n), key=lambda r: abs(m[r][c]))
        m[c], m[p] = m[p], m[c]
        for r in range(n):
            if r != c:
                f = m[r][c] / m[c][c]
                m[r] = [a - f * b for a, b in zip(m[r], m[c])]
    return [m[r][n] / m[r][r] for r in range(n)]


def lighting(rng, size, dark):
    """A smooth light map: falling from one side of the picture to the other in a random
    direction, with a soft shadow (of the phone or a hand) somewhere on the sheet."""
    high, low = (0.5, 0.08) if dark else (1.0, 0.72)
    shadow = rng.uniform(0.08, 0.15) if dark else rng.uniform(0.10, 0.18)
    angle = rng.uniform(0, 2 * math.pi)
    sx, sy = rng.uniform(0.2, 0.8), rng.uniform(0.2, 0.8)
    cells = 48
    values = []
    for j in range(cells):
        for i in range(cells):
            u, v = i / (cells - 1), j / (cells - 1)
            along = 0.5 + ((u - 0.5) * math.cos(angle) + (v - 0.5) * math.sin(angle)) / math.sqrt(2)
            light = high - (high - low) * along - shadow * math.exp(-((u - sx) ** 2 + (v - sy) ** 2) / 0.03)
            values.append(int(255 * min(max(light, 0.0), 1.0)))
    light = Image.new("L", (cells, cells))
    light.putdata(values)
    return light.resize(size, Image.BICUBIC)


def photograph(rng, sheet, size, dark):
    """The sheet lying on a desk, shot by a phone slightly askew, in uneven light."""
    w, h = size
    margin = 0.05 * w
    turn = math.radians(rng.uniform(-2.5, 2.5))
    cx, cy = w / 2, h / 2
    # The sheet keeps its proportions inside the frame, corners nudged for perspective.
    sh = h - 2.2 * margin
    sw = sh * A4[0] / A4[1]
    quad = []
    for x, y in [(-sw / 2, -sh / 2), (sw / 2, -sh / 2), (sw / 2, sh / 2), (-sw / 2, sh / 2)]:
        x += rng.uniform(-0.02, 0.02) * w
        y += rng.uniform(-0.015, 0.015) * h
        quad.append((cx + x * math.cos(turn) - y * math.sin(turn),
                     cy + x * math.sin(turn) + y * math.cos(turn)))
    desk = rng.choice([(118, 92, 66), (86, 88, 94), (150, 140, 125)])
    photo = sheet.transform(size, Image.PERSPECTIVE, perspective(quad, A4), Image.BICUBIC,
                            fillcolor=desk)
    light = lighting(rng, size, dark)
    tint = Image.merge("RGB", [light.point(lambda v, k=k: int(v * k)) for k in (1.0, 0.93, 0.82)])
    photo = ImageChops.multiply(photo, tint)
    photo = photo.filter(ImageFilter.GaussianBlur(rng.uniform(0.9, 1.6)))
    sigma = rng.uniform(4, 6) if dark else rng.uniform(3, 5)
    noise = Image.effect_noise(size, sigma).convert("RGB")
    return ImageChops.add(photo, noise, 1.0, -128)


def phrases(rng, document, paragraphs, drawn):
    """What a reader would search for on the page: some of the document's search terms, dates
    and amounts, and pairs of English words."""
    text = "\n".join(paragraphs)
    terms = [t for t in SEARCH_TERMS[document] if t in text]
    found = rng.sample(terms, min(8, len(terms)))
    joined = set(re.findall(r"\d+年\d+月(?:\d+日)?|\d+月\d+日|\d[\d.,]*(?:元|万元|亿元|%)", text))
    joined = sorted(j for j in joined if len(j) >= 4)
    found += rng.sample(joined, min(4, len(joined)))
    pairs = set()
    for group in re.findall(r"[A-Za-z]{4,}(?: [A-Za-z]{4,})+", text):
        words = group.split(" ")
        pairs.update(" ".join(words[i:i + 2]) for i in range(len(words) - 1))
    found += rng.sample(sorted(pairs), min(4, len(pairs)))
    # Only what the page shows: a paragraph may run past its foot.
    shown = re.sub(r"\s", "", "".join(drawn))
    return [p for p in found if re.sub(r"\s", "", p) in shown]


def main():
    for document, terms in SEARCH_TERMS.items():
        text = "\n".join([DOCUMENTS[document][1]] + DOCUMENTS[document][2])
        missing = [t for t in terms if t not in text]
        if missing:
            sys.exit("search terms not in the %s: %s" % (document, ", ".join(missing)))
    folder, count = sys.argv[1], int(sys.argv[2])
    pages = []
    for index in range(count):
        rng = random.Random(1000 + index)
        language, kind = KINDS[index % len(KINDS)]
        pool = CHINESE if language == "zh" else MIXED
        document = pool[(index // 2) % len(pool)] if language == "zh" else pool[index % len(pool)]
        style = "serif" if document in ("contract", "leave") or rng.random() < 0.3 else "sans"
        paper = (255, 255, 255) if kind in ("scan", "rot90", "rot180") else (246, 243, 235)
        sheet, lines, paragraphs = draw_sheet(rng, document, style, paper)
        name = "page%03d" % (index + 1)
        if kind in ("scan", "rot90", "rot180"):
            scan = sheet.convert("L")
            if kind == "rot90":
                scan = scan.transpose(Image.ROTATE_90)
            elif kind == "rot180":
                scan = scan.transpose(Image.ROTATE_180)
            image = name + ".png"
            scan.save(os.path.join(folder, image), dpi=(300, 300))
        else:
            size = (2000, 2666) if kind == "photo-small" else (3000, 4000)
            photo = photograph(rng, sheet, size, kind == "dark")
            image = name + ".jpg"
            photo.save(os.path.join(folder, image), quality=88, dpi=(72, 72))
        pages.append({
            "image": image,
            "kind": kind,
            "photo": kind not in ("scan", "rot90", "rot180"),
            "dark": kind == "dark",
            "language": language,
            "document": document,
            "font": style,
            "lines": lines,
            "phrases": phrases(rng, document, paragraphs, lines),
        })
    with open(os.path.join(folder, "truth.json"), "w", encoding="utf-8") as out:
        json.dump(pages, out, ensure_ascii=False, indent=1)
    kinds = collections.Counter(page["kind"] for page in pages)
    print(", ".join("%d %s" % (n, kind) for kind, n in kinds.items()))


if __name__ == "__main__":
    main()
